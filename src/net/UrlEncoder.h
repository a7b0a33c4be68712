#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>

// Form-urlencodes its input for a POST: a blank becomes "+", digits and
// Latin letters stay, every other byte becomes "%" and two upper-case hex
// digits.
class TUrlEncoder : public QObject {
public:
    using TOnErrorEvent = std::function<void(QObject* sender, const QString& Operation, const QString& ErrMsg)>;

    explicit TUrlEncoder(QObject* owner = nullptr) : QObject(owner) {}

    QByteArray InputString;
    TOnErrorEvent OnError;

    // The encoded input; on a failure OnError fires and the input comes back unchanged.
    QByteArray Encode();
};
