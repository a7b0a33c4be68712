#include "filling/office/connection/LibreOfficeLoad.h"

#include "common/KvilmarError.h"
#include "filling/office/OfficeError.h"
#include "filling/office/connection/LibreOfficeConnection.h"
#include "filling/office/connection/OfficeFaults.h"
#include "filling/office/connection/UnoInteraction.h"
#include "filling/office/connection/UnoText.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/document/MacroExecMode.hpp>
#include <com/sun/star/document/XTypeDetection.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <com/sun/star/uno/Sequence.hxx>

#include <rtl/ref.hxx>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QUrl>

#include <tuple>

using namespace css;

namespace office::lo {

namespace {

LoadWatch& loadWatch()
{
    static LoadWatch watch;
    return watch;
}

beans::PropertyValue property(const char* name, const uno::Any& value)
{
    beans::PropertyValue p;
    p.Name = rtl::OUString::createFromAscii(name);
    p.Value = value;
    return p;
}

uno::Sequence<beans::PropertyValue> sequence(const std::vector<beans::PropertyValue>& props)
{
    return uno::Sequence<beans::PropertyValue>(props.data(), static_cast<sal_Int32>(props.size()));
}

bool isTextFile(const QString& fileName)
{
    return QFileInfo(fileName).suffix().compare(QLatin1String("txt"), Qt::CaseInsensitive) == 0;
}

uno::Reference<uno::XInterface> officeService(const uno::Reference<uno::XComponentContext>& context, const char* name)
{
    return context->getServiceManager()->createInstanceWithContext(rtl::OUString::createFromAscii(name), context);
}

// The service of the documents the office makes with a filter
// ("com.sun.star.text.TextDocument", "com.sun.star.sheet.SpreadsheetDocument").
QString documentServiceOf(const uno::Reference<uno::XComponentContext>& context, const rtl::OUString& filter)
{
    uno::Reference<container::XNameAccess> filters(officeService(context, "com.sun.star.document.FilterFactory"),
                                                   uno::UNO_QUERY_THROW);
    if (!filters->hasByName(filter))
        return {};
    uno::Sequence<beans::PropertyValue> described;
    filters->getByName(filter) >>= described;
    for (const auto& p : described) {
        rtl::OUString service;
        if (p.Name == "DocumentService" && (p.Value >>= service))
            return toQString(service);
    }
    return {};
}

} // namespace

void requireSeen(const QString& path)
{
    if (!Connection::instance().seesPath(path))
        throw KvilmarError(
            QStringLiteral("LibreOffice, запущенный не Квилмаром, не видит \"%1\": вероятно, он работает "
                           "без кодировки UTF-8 (например, запущен с LANG=C). Закройте этот LibreOffice, "
                           "и Квилмар запустит свой.")
                .arg(QDir::toNativeSeparators(path)));
}

QString fileUrl(const QString& path)
{
    QString absolute = QFileInfo(path).absoluteFilePath();
    static const QRegularExpression repeated(QStringLiteral("/{2,}"));
    absolute.replace(repeated, QStringLiteral("/"));
    return QUrl::fromLocalFile(absolute).toString(QUrl::FullyEncoded);
}

QString textCharacterSet(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("MS_1251");
    // Cyrillic in 1251 is almost never valid UTF-8, so a strict decode tells
    // the two apart; plain ASCII reads the same in both. The file goes by in
    // pieces, and the first byte that is no UTF-8 ends the reading.
    QStringDecoder utf8(QStringDecoder::Utf8);
    constexpr qint64 kPiece = 64 * 1024;
    QByteArray tail; // the last bytes read
    while (!file.atEnd()) {
        const QByteArray piece = file.read(kPiece);
        if (piece.isEmpty())
            break;
        if (tail.isEmpty() && piece.startsWith("\xEF\xBB\xBF"))
            return QStringLiteral("UTF8");
        [[maybe_unused]] const QString decoded = utf8.decode(piece);
        if (utf8.hasError())
            return QStringLiteral("MS_1251");
        tail = (tail + piece).right(4);
    }
    // A sequence cut short by the end of the file is no UTF-8 either.
    qsizetype lead = tail.size() - 1;
    while (lead >= 0 && (static_cast<uchar>(tail[lead]) & 0xC0) == 0x80)
        --lead;
    if (lead < 0)
        return QStringLiteral("UTF8");
    const uchar first = static_cast<uchar>(tail[lead]);
    const qsizetype length = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC0 ? 2 : 1;
    return tail.size() - lead < length ? QStringLiteral("MS_1251") : QStringLiteral("UTF8");
}

uno::Reference<lang::XComponent> loadAsNewDocument(const QString& fileName, bool plainTextIfAsked)
{
    const QString path = QFileInfo(fileName).absoluteFilePath();
    const QString shown = QDir::toNativeSeparators(fileName);
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly))
        throw KvilmarError(QStringLiteral("Не удается открыть файл \"%1\": %2")
                               .arg(shown, QFileInfo(path).isDir() ? QStringLiteral("это папка") : file.errorString()));
    file.close();

    const QString doing = QStringLiteral("Не удается открыть файл \"%1\"").arg(shown);
    requireSeen(path);
    auto load = [&](bool asText) {
        rtl::Reference<RefusingInteraction> interaction(new RefusingInteraction);
        std::vector<beans::PropertyValue> props{
            property("AsTemplate", uno::Any(true)),
            property("Hidden", uno::Any(true)),
            property("MacroExecutionMode", uno::Any(document::MacroExecMode::NEVER_EXECUTE)),
            property("InteractionHandler", uno::Any(uno::Reference<task::XInteractionHandler>(interaction.get()))),
        };
        if (asText) {
            props.push_back(property("FilterName", uno::Any(rtl::OUString("Text (encoded)"))));
            props.push_back(
                property("FilterOptions", uno::Any(toOUString(textCharacterSet(path) + QStringLiteral(",CRLF,,")))));
        }
        uno::Reference<frame::XComponentLoader> loader(Connection::instance().desktop(), uno::UNO_QUERY_THROW);
        reachStep(OfficeStep::Open);
        uno::Reference<lang::XComponent> document;
        QString details;
        try {
            callOffice(
                doing,
                [&] {
                    document = loader->loadComponentFromURL(toOUString(fileUrl(path)), "_blank", 0, sequence(props));
                },
                QStringLiteral("Открытие шаблона в LibreOffice..."));
        } catch (const ConnectionLost&) {
            throw;
        } catch (const OfficeError& e) {
            details = e.details();
        }
        return std::make_tuple(document, interaction->refusal(), interaction->askedHowToRead(), details);
    };

    auto [document, why, askedHowToRead, details] = load(isTextFile(path));
    if (!document.is() && askedHowToRead && plainTextIfAsked)
        std::tie(document, why, askedHowToRead, details) = load(true);
    if (!document.is())
        throw OfficeError(doing + QStringLiteral(": ")
                              + (why.isEmpty() ? QStringLiteral("LibreOffice не смог его прочитать") : why)
                              + QLatin1Char('.'),
                          details);
    if (const LoadWatch& watch = loadWatch())
        watch(document);
    return document;
}

bool opensAsSpreadsheet(const QString& fileName)
{
    const QFileInfo info(fileName);
    if (isTextFile(fileName) || !info.isFile() || !info.isReadable())
        return false;
    // Taken here: the connection is not to be entered from the office call.
    const auto context = Connection::instance().remoteContext();
    QString service;
    try {
        callOffice(QStringLiteral("Не удается определить тип файла"), [&] {
            rtl::Reference<RefusingInteraction> interaction(new RefusingInteraction);
            uno::Reference<document::XTypeDetection> detection(
                officeService(context, "com.sun.star.document.TypeDetection"), uno::UNO_QUERY_THROW);
            std::vector<beans::PropertyValue> props{
                property("URL", uno::Any(toOUString(fileUrl(info.absoluteFilePath())))),
                property("InteractionHandler", uno::Any(uno::Reference<task::XInteractionHandler>(interaction.get()))),
            };
            auto descriptor = sequence(props);
            if (detection->queryTypeByDescriptor(descriptor, true).isEmpty())
                return;
            for (const auto& p : std::as_const(descriptor)) {
                rtl::OUString filter;
                if (p.Name == "FilterName" && (p.Value >>= filter) && !filter.isEmpty())
                    service = documentServiceOf(context, filter);
            }
        });
    } catch (const ConnectionLost&) {
        throw;
    } catch (const OfficeError&) {
        return false; // the text way opens it and says what is wrong
    }
    return service == QLatin1String("com.sun.star.sheet.SpreadsheetDocument");
}

void watchLoads(LoadWatch watch)
{
    loadWatch() = std::move(watch);
}

} // namespace office::lo
