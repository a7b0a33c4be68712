#pragma once

#include <QByteArray>

// Optional values of a request header; an empty value sends no line.
class THeaderInfo {
public:
    QByteArray LocalMailAddress;
    QByteArray LocalProgram;
    QByteArray Cookie;
    QByteArray Referer;
    QByteArray UserId;
    QByteArray Password;
};
