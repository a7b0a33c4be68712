#include "common/windows/ProgramStyle.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPointer>
#include <QProxyStyle>

namespace {

// A standard picture of a style, asked of the style when first drawn.
class DeferredIconEngine : public QIconEngine {
public:
    DeferredIconEngine(QStyle* style, QStyle::StandardPixmap picture) : style_(style), picture_(picture) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().pixmap(size, mode, state);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        return icon().pixmap(size, scale, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return icon().availableSizes(mode, state);
    }
    // Asked as the picture is set, long before it is drawn: the style's
    // standard pictures are never empty.
    bool isNull() override { return false; }
    QString key() const override { return QStringLiteral("DeferredIconEngine"); }
    QIconEngine* clone() const override { return new DeferredIconEngine(style_, picture_); }

private:
    QIcon icon()
    {
        if (!loaded_ && style_) {
            icon_ = style_->standardIcon(picture_);
            loaded_ = true;
        }
        return icon_;
    }

    QPointer<QStyle> style_;
    QStyle::StandardPixmap picture_;
    QIcon icon_;
    bool loaded_ = false;
};

// The application's style, its overflow arrows deferred.
class ProgramStyle : public QProxyStyle {
public:
    // Takes over the style the application has.
    ProgramStyle() : QProxyStyle(QApplication::style()) {}

    QIcon standardIcon(StandardPixmap picture, const QStyleOption* option, const QWidget* widget) const override
    {
        if (!option && (picture == SP_ToolBarHorizontalExtensionButton || picture == SP_ToolBarVerticalExtensionButton))
            return QIcon(new DeferredIconEngine(baseStyle(), picture));
        return QProxyStyle::standardIcon(picture, option, widget);
    }
};

} // namespace

void installProgramStyle()
{
    QApplication::setStyle(new ProgramStyle);
}
