#include "filling/office/connection/UnoSearch.h"

#include "filling/office/connection/LibreOfficeConnection.h"
#include "filling/office/connection/UnoText.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/beans/XPropertySetInfo.hpp>

#include <algorithm>

using namespace css;

namespace office::lo {

namespace {

void setPlain(const uno::Reference<beans::XPropertySet>& props)
{
    // The names in one call: each call is a round trip to the office.
    const auto known = props->getPropertySetInfo()->getProperties();
    for (const char* name : {"SearchCaseSensitive", "SearchRegularExpression", "SearchWords", "SearchWildcard",
                             "SearchSimilarity", "SearchStyles", "SearchBackwards"}) {
        const auto property = rtl::OUString::createFromAscii(name);
        if (std::any_of(known.begin(), known.end(), [&](const beans::Property& p) { return p.Name == property; }))
            props->setPropertyValue(property, uno::Any(false));
    }
}

} // namespace

uno::Reference<util::XSearchDescriptor> plainSearch(const uno::Reference<util::XSearchDescriptor>& descriptor,
                                                    const QString& text)
{
    setPlain(uno::Reference<beans::XPropertySet>(descriptor, uno::UNO_QUERY_THROW));
    descriptor->setSearchString(toOUString(text));
    return descriptor;
}

uno::Reference<util::XReplaceDescriptor> plainReplace(const uno::Reference<util::XReplaceDescriptor>& descriptor,
                                                      const QString& text, const QString& replacement)
{
    plainSearch(uno::Reference<util::XSearchDescriptor>(descriptor.get()), text);
    descriptor->setReplaceString(toOUString(replacement));
    return descriptor;
}

uno::Reference<util::XSearchDescriptor> patternSearch(const uno::Reference<util::XSearchDescriptor>& descriptor,
                                                      const QString& pattern)
{
    plainSearch(descriptor, pattern);
    uno::Reference<beans::XPropertySet>(descriptor, uno::UNO_QUERY_THROW)
        ->setPropertyValue("SearchRegularExpression", uno::Any(true));
    return descriptor;
}

QString anyOfLiterally(const QStringList& texts)
{
    // Letters and digits stand for themselves, so case folding treats them
    // as the plain search does; any other character is written by its code,
    // out of reach of the pattern syntax and of the office's own rewriting of
    // a pattern (it makes a word boundary of "\<" even inside \Q...\E).
    QStringList literals;
    for (const QString& text : texts) {
        QString literal;
        for (const char32_t c : text.toUcs4()) {
            if (QChar::isLetterOrNumber(c))
                literal += QString::fromUcs4(&c, 1);
            else
                literal += QStringLiteral("\\x{%1}").arg(static_cast<uint>(c), 0, 16);
        }
        literals << literal;
    }
    return literals.join(QLatin1Char('|'));
}

namespace {

// Sends a setting the office is not known to hold. A call that fails leaves
// it unknown, so it is sent again next time.
template <class T, class Send> void update(std::optional<T>& known, const T& wanted, const Send& send)
{
    if (known == wanted)
        return;
    known.reset();
    send();
    known = wanted;
}

} // namespace

void KeptDescriptor::ready(const Maker& make)
{
    // The proxy of a desktop stands for its office: a new office gets a new
    // one while this one is held.
    const uno::Reference<frame::XDesktop2> office = Connection::instance().lastDesktop();
    if (descriptor_.is() && office_.get() == office.get())
        return;
    *this = KeptDescriptor();
    descriptor_.set(plainSearch(make(), QString()), uno::UNO_QUERY_THROW);
    settings_.set(descriptor_, uno::UNO_QUERY_THROW);
    office_ = office;
    search_ = QString();
    pattern_ = caseSensitive_ = false;
}

uno::Reference<util::XSearchDescriptor> KeptDescriptor::set(const Maker& make, const Search& search,
                                                            const std::optional<QString>& replacement)
{
    ready(make);
    update(pattern_, search.pattern,
           [&] { settings_->setPropertyValue("SearchRegularExpression", uno::Any(search.pattern)); });
    update(caseSensitive_, search.caseSensitive,
           [&] { settings_->setPropertyValue("SearchCaseSensitive", uno::Any(search.caseSensitive)); });
    update(search_, search.text, [&] { descriptor_->setSearchString(toOUString(search.text)); });
    if (replacement)
        update(replacement_, *replacement, [&] { descriptor_->setReplaceString(toOUString(*replacement)); });
    return uno::Reference<util::XSearchDescriptor>(descriptor_.get());
}

} // namespace office::lo
