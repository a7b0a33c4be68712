#include "net/UrlEncoder.h"

#include <exception>

QByteArray TUrlEncoder::Encode()
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    try {
        QByteArray encoded;
        encoded.reserve(InputString.size() * 3);
        for (const char c : InputString) {
            if (c == ' ')
                encoded += '+';
            else if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))
                encoded += c;
            else {
                encoded += '%';
                encoded += kHex[quint8(c) >> 4];
                encoded += kHex[quint8(c) & 15];
            }
        }
        return encoded;
    } catch (const std::exception& e) {
        if (OnError)
            OnError(this, QStringLiteral("Error during encode"), QString::fromUtf8(e.what()));
        return InputString;
    }
}
