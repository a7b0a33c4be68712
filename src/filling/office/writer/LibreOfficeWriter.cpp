#include "filling/office/writer/LibreOfficeWriter.h"

#include "common/KvilmarError.h"
#include "filling/office/connection/LibreOfficeConnection.h"
#include "filling/office/connection/LibreOfficeDocument.h"
#include "filling/office/kept/KeptTemplate.h"
#include "filling/office/writer/WriterItemRows.h"

#include <com/sun/star/text/XTextDocument.hpp>

#include <exception>

using namespace css;

namespace office::lo {

namespace {

class WriterBasic final : public office::WordBasic {
public:
    explicit WriterBasic(std::shared_ptr<WriterApplication> app) : app_(std::move(app)) {}

    void FileOpen(const QString& name) override
    {
        const FileVersion version = FileVersion::of(name);
        // The word processor reads any file as plain text rather than ask.
        const auto document = openForFilling(
            app_->keptTemplate, name, version, true, QStringLiteral("текстовый документ"),
            [](const auto& opened) { return uno::Reference<text::XTextDocument>(opened, uno::UNO_QUERY).is(); });
        app_->activeDocument.emplace(document, *app_->memory, version, app_->keptTemplate != nullptr);
    }

    void EditReplace(const QString& Find, const QString& Replace, bool ReplaceAll) override
    {
        active().replace(Find, Replace, ReplaceAll);
    }

    QList<bool> FindEach(const QStringList& texts) override { return active().findEach(texts); }

    void FillItemRows(const QStringList& identifiers, const QList<QStringList>& items) override
    {
        fillItemRows(active().component(), identifiers, items, app_->memory->textSearch);
    }

private:
    WriterDocument& active()
    {
        if (!app_->activeDocument)
            throw KvilmarError(QStringLiteral("Замена текста невозможна: в LibreOffice нет открытого документа."));
        return *app_->activeDocument;
    }

    std::shared_ptr<WriterApplication> app_;
};

} // namespace

WriterApplication::WriterApplication() : uncaughtAtStart_(std::uncaught_exceptions())
{
    Connection::instance().desktop();
}

WriterApplication::~WriterApplication()
{
    if (!activeDocument)
        return;
    if (std::uncaught_exceptions() > uncaughtAtStart_) {
        closeDocument(activeDocument->component());
        return;
    }
    activeDocument->catchUp();
    if (!visible_)
        return;
    try {
        showDocument(activeDocument->component());
    } catch (...) {
        // The document went with its office; the run has checked it just
        // before and cannot say more from here.
    }
}

void WriterApplication::Visible(bool visible)
{
    visible_ = visible;
}

std::shared_ptr<office::WordBasic> WriterApplication::WordBasic()
{
    return std::make_shared<WriterBasic>(shared_from_this());
}

} // namespace office::lo
