#pragma once

#include <QObject>

#include <functional>

class QIODevice;

enum class UUMethods { uuMime, uuCode };

// Encodes its input stream into its output stream, in lines of 45 input
// bytes: Base64 (uuMime) or uuencode (uuCode). Only encoding is offered.
class TUUProcessor : public QObject {
public:
    using TNotifyEvent = std::function<void(QObject* sender)>;

    explicit TUUProcessor(QObject* owner = nullptr) : QObject(owner) {}

    UUMethods Method = UUMethods::uuMime;
    QIODevice* InputStream = nullptr;
    QIODevice* OutputStream = nullptr;
    TNotifyEvent OnBeginEncode;
    TNotifyEvent OnEndEncode;
    TNotifyEvent OnBeginDecode;
    TNotifyEvent OnEndDecode;

    // Reads the input from its start; each block of 45 bytes becomes one
    // output line ended by CR LF. The output is set back to its start.
    void Encode();
};

// The Base64 form of bytes as one line without breaks (the form an
// authorization header carries).
QByteArray base64Line(const QByteArray& bytes);
