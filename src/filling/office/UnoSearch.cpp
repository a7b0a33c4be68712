#include "filling/office/UnoSearch.h"

#include "filling/office/UnoText.h"

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
    for (const char* name : {"SearchCaseSensitive", "SearchRegularExpression", "SearchWords",
                             "SearchWildcard", "SearchSimilarity", "SearchStyles", "SearchBackwards"}) {
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
    QStringList quoted;
    for (QString literal : texts) {
        // \Q...\E quotes everything but its own end, which is split off.
        literal.replace(QStringLiteral("\\E"), QStringLiteral("\\E\\\\E\\Q"));
        quoted << QStringLiteral("\\Q") + literal + QStringLiteral("\\E");
    }
    return quoted.join(QLatin1Char('|'));
}

} // namespace office::lo
