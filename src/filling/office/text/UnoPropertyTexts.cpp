#include "filling/office/text/UnoPropertyTexts.h"

#include "filling/office/connection/UnoText.h"
#include "filling/office/matching/PlainMatch.h"
#include "filling/office/text/RunMemory.h"
#include "filling/office/text/UnoTextPlaces.h"

#include <com/sun/star/beans/XPropertyContainer.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/beans/XPropertySetInfo.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/document/XDocumentProperties.hpp>
#include <com/sun/star/document/XDocumentPropertiesSupplier.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/text/SetVariableType.hpp>
#include <com/sun/star/text/XTextField.hpp>
#include <com/sun/star/text/XTextFieldsSupplier.hpp>
#include <com/sun/star/util/XUpdatable.hpp>

#include <algorithm>

using namespace css;

namespace office::lo {

namespace {

const rtl::OUString kContent = "Content";

bool isField(const uno::Any& field, const char* service)
{
    uno::Reference<lang::XServiceInfo> info(field, uno::UNO_QUERY);
    return info.is() && info->supportsService(rtl::OUString::createFromAscii(service));
}

// Every field of a text document, for each to be looked at.
template <class Each> void forEachField(const uno::Reference<lang::XComponent>& document, const Each& each)
{
    uno::Reference<text::XTextFieldsSupplier> supplier(document, uno::UNO_QUERY);
    if (!supplier.is())
        return;
    const auto fields = supplier->getTextFields()->createEnumeration();
    while (fields->hasMoreElements())
        each(fields->nextElement());
}

} // namespace

PropertyTexts::PropertyTexts(uno::Reference<lang::XComponent> document, std::optional<FileVersion> openedFrom,
                             RunMemory& memory)
    : document_(std::move(document)), openedFrom_(std::move(openedFrom)), memory_(memory)
{
}

void PropertyTexts::collect()
{
    entries_.emplace();
    const auto add = [&](Entry::Kind kind, const uno::Reference<uno::XInterface>& holder, const rtl::OUString& text,
                         const rtl::OUString& name = {}, sal_Int32 index = 0) {
        if (!text.isEmpty())
            entries_->push_back({kind, holder, name, index, toQString(text)});
    };
    if (uno::Reference<document::XDocumentPropertiesSupplier> supplier(document_, uno::UNO_QUERY); supplier.is()) {
        const auto properties = supplier->getDocumentProperties();
        add(Entry::Kind::Title, properties, properties->getTitle());
        add(Entry::Kind::Subject, properties, properties->getSubject());
        add(Entry::Kind::Description, properties, properties->getDescription());
        const auto keywords = properties->getKeywords();
        for (sal_Int32 i = 0; i < keywords.getLength(); ++i)
            add(Entry::Kind::Keyword, properties, keywords[i], {}, i);
        const uno::Reference<beans::XPropertySet> custom(properties->getUserDefinedProperties(), uno::UNO_QUERY_THROW);
        for (const beans::Property& property : custom->getPropertySetInfo()->getProperties()) {
            rtl::OUString text;
            if (custom->getPropertyValue(property.Name) >>= text)
                add(Entry::Kind::Custom, custom, text, property.Name);
        }
    }
    uno::Reference<text::XTextFieldsSupplier> fields(document_, uno::UNO_QUERY);
    if (!fields.is())
        return;
    // A user field shows what its master holds, unless that is a formula.
    const auto masters = fields->getTextFieldMasters();
    for (const rtl::OUString& name : masters->getElementNames()) {
        if (!name.startsWith("com.sun.star.text.fieldmaster.User."))
            continue;
        const uno::Reference<beans::XPropertySet> master(masters->getByName(name), uno::UNO_QUERY_THROW);
        bool formula = false;
        master->getPropertyValue("IsExpression") >>= formula;
        if (!formula)
            add(Entry::Kind::UserField, master, master->getPropertyValue(kContent).get<rtl::OUString>());
    }
    forEachField(document_, [&](const uno::Any& any) {
        const bool variable = isField(any, "com.sun.star.text.textfield.SetExpression");
        if (!variable && !isField(any, "com.sun.star.text.textfield.Input"))
            return;
        const uno::Reference<beans::XPropertySet> field(any, uno::UNO_QUERY_THROW);
        sal_Int16 type = text::SetVariableType::STRING;
        if (variable && (!(field->getPropertyValue("SubType") >>= type) || type != text::SetVariableType::STRING))
            return;
        add(variable ? Entry::Kind::Variable : Entry::Kind::Input, field,
            field->getPropertyValue(kContent).get<rtl::OUString>());
    });
}

QStringList PropertyTexts::fieldsShown() const
{
    QStringList shown;
    forEachField(document_, [&](const uno::Any& any) {
        // A comment is a place of its own (UnoTextPlaces.h).
        if (isField(any, "com.sun.star.text.textfield.Annotation"))
            return;
        if (uno::Reference<text::XTextField> field(any, uno::UNO_QUERY); field.is())
            shown << toQString(field->getPresentation(false));
    });
    return shown;
}

bool PropertyTexts::mayHold(const QStringList& texts)
{
    if (entries_)
        return true;
    RunMemory::Shown& memo = memory_.propertyTexts;
    if (openedFrom_ && memo.file == *openedFrom_) {
        const bool none = std::none_of(memo.shown.cbegin(), memo.shown.cend(), [&](const PlainText& shown) {
            return std::any_of(texts.cbegin(), texts.cend(), [&](const QString& t) { return shown.contains(t); });
        });
        if (none)
            return false;
    }
    collect();
    if (openedFrom_) {
        RunMemory::Shown read{*openedFrom_, {}};
        for (const Entry& entry : *entries_)
            read.shown << PlainText(entry.shown);
        for (const QString& shown : fieldsShown())
            read.shown << PlainText(shown);
        memo = read;
    }
    return true;
}

void PropertyTexts::replace(const QString& find, const QString& replacement)
{
    if (find.isEmpty() || !mayHold({find}))
        return;
    bool variables = false;
    for (Entry& entry : *entries_) {
        if (!containsPlain(entry.shown, find))
            continue;
        const QString now = replacedContent(entry.shown, find, replacement);
        const rtl::OUString text = toOUString(now);
        switch (entry.kind) {
        case Entry::Kind::Title:
        case Entry::Kind::Subject:
        case Entry::Kind::Description:
        case Entry::Kind::Keyword: {
            const uno::Reference<document::XDocumentProperties> properties(entry.holder, uno::UNO_QUERY_THROW);
            if (entry.kind == Entry::Kind::Title)
                properties->setTitle(text);
            else if (entry.kind == Entry::Kind::Subject)
                properties->setSubject(text);
            else if (entry.kind == Entry::Kind::Description)
                properties->setDescription(text);
            else {
                auto keywords = properties->getKeywords();
                if (entry.index < keywords.getLength()) {
                    keywords.getArray()[entry.index] = text;
                    properties->setKeywords(keywords);
                }
            }
            break;
        }
        case Entry::Kind::Custom:
            uno::Reference<beans::XPropertySet>(entry.holder, uno::UNO_QUERY_THROW)
                ->setPropertyValue(entry.name, uno::Any(text));
            break;
        case Entry::Kind::UserField:
        case Entry::Kind::Variable:
        case Entry::Kind::Input:
            uno::Reference<beans::XPropertySet>(entry.holder, uno::UNO_QUERY_THROW)
                ->setPropertyValue(kContent, uno::Any(text));
            variables = variables || entry.kind == Entry::Kind::Variable;
            break;
        }
        entry.shown = now;
        changed_ = true;
    }
    // Title, subject and the like show in their fields, and a user field its
    // master's text, by themselves; a variable shows anew where it is set
    // and where it is shown once told.
    if (!variables)
        return;
    forEachField(document_, [&](const uno::Any& any) {
        if (isField(any, "com.sun.star.text.textfield.SetExpression")
            || isField(any, "com.sun.star.text.textfield.GetExpression"))
            uno::Reference<util::XUpdatable>(any, uno::UNO_QUERY_THROW)->update();
    });
}

void PropertyTexts::findEach(const QStringList& texts, QList<bool>& found)
{
    QStringList wanted;
    for (int i = 0; i < texts.size(); ++i) {
        if (!found[i] && !texts[i].isEmpty())
            wanted << texts[i];
    }
    if (wanted.isEmpty() || !mayHold(wanted))
        return;
    QList<PlainText> shown;
    for (const Entry& entry : *entries_)
        shown << PlainText(entry.shown);
    for (const QString& field : fieldsShown())
        shown << PlainText(field);
    for (int i = 0; i < texts.size(); ++i) {
        found[i] = found[i]
            || std::any_of(shown.cbegin(), shown.cend(), [&](const PlainText& s) { return s.contains(texts[i]); });
    }
}

} // namespace office::lo
