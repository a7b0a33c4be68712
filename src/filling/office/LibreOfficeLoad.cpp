#include "filling/office/LibreOfficeLoad.h"

#include "common/KvilmarError.h"
#include "filling/office/LibreOfficeConnection.h"
#include "filling/office/LibreOfficeSettings.h"
#include "filling/office/UnoText.h"

#include <com/sun/star/awt/XWindow.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/frame/XLayoutManager.hpp>
#include <com/sun/star/document/MacroExecMode.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/uno/Sequence.hxx>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QUrl>

using namespace css;

namespace office::lo {

namespace {

uno::Reference<lang::XComponent>& lastDocument()
{
    // Never destroyed, like the connection it came through.
    static auto* document = new uno::Reference<lang::XComponent>;
    return *document;
}

beans::PropertyValue property(const char* name, const uno::Any& value)
{
    beans::PropertyValue p;
    p.Name = rtl::OUString::createFromAscii(name);
    p.Value = value;
    return p;
}

bool isTextFile(const QString& fileName)
{
    return QFileInfo(fileName).suffix().compare(QLatin1String("txt"), Qt::CaseInsensitive) == 0;
}

} // namespace

QString textCharacterSet(const QByteArray& content)
{
    if (content.startsWith("\xEF\xBB\xBF"))
        return QStringLiteral("UTF8");
    // Cyrillic in 1251 is almost never valid UTF-8, so a strict decode tells
    // the two apart; plain ASCII reads the same in both.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8.decode(content);
    return utf8.hasError() ? QStringLiteral("MS_1251") : QStringLiteral("UTF8");
}

uno::Reference<lang::XComponent> loadAsNewDocument(const QString& fileName, bool hidden)
{
    const QString path = QFileInfo(fileName).absoluteFilePath();
    const QString shown = QDir::toNativeSeparators(fileName);
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly))
        throw KvilmarError(QStringLiteral("Не удается открыть файл \"%1\": %2")
                               .arg(shown, QFileInfo(path).isDir() ? QStringLiteral("это папка") : file.errorString()));

    std::vector<beans::PropertyValue> props{
        property("AsTemplate", uno::Any(true)),
        property("Hidden", uno::Any(hidden)),
        property("MacroExecutionMode", uno::Any(document::MacroExecMode::NEVER_EXECUTE)),
    };
    if (isTextFile(path)) {
        const QString charset = textCharacterSet(file.readAll());
        props.push_back(property("FilterName", uno::Any(rtl::OUString("Text (encoded)"))));
        props.push_back(property("FilterOptions", uno::Any(toOUString(charset + QStringLiteral(",CRLF,,")))));
    }
    file.close();

    uno::Reference<lang::XComponent> document;
    const QString doing = QStringLiteral("Не удается открыть файл \"%1\"").arg(shown);
    callOffice(doing, [&] {
        uno::Reference<frame::XComponentLoader> loader(Connection::instance().desktop(), uno::UNO_QUERY_THROW);
        document = loader->loadComponentFromURL(
            toOUString(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)), "_blank", 0,
            uno::Sequence<beans::PropertyValue>(props.data(), static_cast<sal_Int32>(props.size())));
    });
    if (!document.is())
        throw KvilmarError(doing + QStringLiteral(": LibreOffice не смог его прочитать."));
    lastDocument() = document;
    return document;
}

uno::Reference<lang::XComponent> lastLoadedDocument()
{
    return lastDocument();
}

void showDocument(const uno::Reference<lang::XComponent>& document)
{
    if (settingsFromEnvironment().headless)
        return;
    callOffice(QStringLiteral("Не удается показать окно документа"), [&] {
        uno::Reference<frame::XModel> model(document, uno::UNO_QUERY_THROW);
        auto controller = model->getCurrentController();
        if (!controller.is())
            return;
        auto frame = controller->getFrame();
        frame->getContainerWindow()->setVisible(true);
        // A frame loaded hidden gets its menu and tool bars only when its
        // layout manager is told to show them.
        uno::Reference<beans::XPropertySet> frameProperties(frame, uno::UNO_QUERY);
        if (!frameProperties.is())
            return;
        uno::Reference<frame::XLayoutManager> layout(frameProperties->getPropertyValue("LayoutManager"),
                                                     uno::UNO_QUERY);
        if (!layout.is())
            return;
        layout->setVisible(true);
        layout->createElement("private:resource/menubar/menubar");
        layout->showElement("private:resource/menubar/menubar");
        layout->createElement("private:resource/toolbar/standardbar");
        layout->showElement("private:resource/toolbar/standardbar");
        layout->doLayout();
    });
}

} // namespace office::lo
