#include "filling/office/connection/LibreOfficeDocument.h"

#include "common/KvilmarError.h"
#include "filling/office/connection/LibreOfficeConnection.h"
#include "filling/office/connection/LibreOfficeLoad.h"
#include "filling/office/connection/LibreOfficeSettings.h"
#include "filling/office/connection/OfficeFaults.h"
#include "filling/office/connection/UnoText.h"

#include <com/sun/star/awt/XWindow.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/beans/XPropertySetInfo.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XLayoutManager.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include <QDir>
#include <QFileInfo>

#include <vector>

using namespace css;

namespace office::lo {

void showDocument(const uno::Reference<lang::XComponent>& document)
{
    const bool headless = settingsFromEnvironment().headless;
    callOffice(QStringLiteral("Не удается показать окно документа"), [&] {
        uno::Reference<frame::XModel> model(document, uno::UNO_QUERY_THROW);
        auto controller = model->getCurrentController();
        if (headless || !controller.is())
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

void storeDocument(const uno::Reference<lang::XComponent>& document, const QString& path, const QString& filter,
                   const QString& options)
{
    const auto property = [](const char* name, const QString& value) {
        beans::PropertyValue p;
        p.Name = rtl::OUString::createFromAscii(name);
        p.Value <<= toOUString(value);
        return p;
    };
    std::vector<beans::PropertyValue> values{property("FilterName", filter)};
    if (!options.isEmpty())
        values.push_back(property("FilterOptions", options));
    beans::PropertyValue overwrite;
    overwrite.Name = "Overwrite";
    overwrite.Value <<= true;
    values.push_back(overwrite);
    const QString url = fileUrl(path);
    requireSeen(QFileInfo(path).absolutePath());
    reachStep(OfficeStep::Export);
    callOffice(
        QStringLiteral("Не удается сохранить документ в файл \"%1\"").arg(QDir::toNativeSeparators(path)),
        [&] {
            uno::Reference<frame::XStorable> storable(document, uno::UNO_QUERY_THROW);
            storable->storeToURL(
                toOUString(url),
                uno::Sequence<beans::PropertyValue>(values.data(), static_cast<sal_Int32>(values.size())));
        },
        QStringLiteral("Сохранение документа..."));
}

void closeDocument(const uno::Reference<lang::XComponent>& document) noexcept
{
    if (!document.is())
        return;
    try {
        callOffice(QStringLiteral("Не удается закрыть документ"), [&] {
            uno::Reference<util::XCloseable> closeable(document, uno::UNO_QUERY);
            if (closeable.is())
                closeable->close(true);
            else
                document->dispose();
        });
    } catch (...) {
    }
}

void requireKind(const uno::Reference<lang::XComponent>& document, const QString& fileName, const QString& kind,
                 const std::function<bool()>& isKind)
{
    bool is = false;
    try {
        callOffice(QStringLiteral("Не удается открыть файл"), [&] { is = isKind(); });
    } catch (...) {
        closeDocument(document);
        throw;
    }
    if (is)
        return;
    closeDocument(document);
    throw KvilmarError(QStringLiteral("Файл \"%1\" открылся в LibreOffice не как %2, и заполнить его нельзя.")
                           .arg(QDir::toNativeSeparators(fileName), kind));
}

void stopRecordingChanges(const uno::Reference<lang::XComponent>& document)
{
    callOffice(QStringLiteral("Не удается выключить запись изменений"), [&] {
        uno::Reference<beans::XPropertySet> properties(document, uno::UNO_QUERY);
        if (!properties.is() || !properties->getPropertySetInfo()->hasPropertyByName("RecordChanges"))
            return;
        if (!properties->getPropertyValue("RecordChanges").get<bool>())
            return;
        // A protected recording refuses to stop until its key is gone; the
        // key belongs to the template, and this copy is a new document.
        if (properties->getPropertySetInfo()->hasPropertyByName("RedlineProtectionKey"))
            properties->setPropertyValue("RedlineProtectionKey", uno::Any(uno::Sequence<sal_Int8>()));
        properties->setPropertyValue("RecordChanges", uno::Any(false));
    });
}

} // namespace office::lo
