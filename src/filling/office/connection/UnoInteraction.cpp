#include "filling/office/connection/UnoInteraction.h"

#include <com/sun/star/document/AmbigousFilterRequest.hpp>
#include <com/sun/star/document/BrokenPackageRequest.hpp>
#include <com/sun/star/document/FilterOptionsRequest.hpp>
#include <com/sun/star/document/NoSuchFilterRequest.hpp>
#include <com/sun/star/task/PasswordRequest.hpp>
#include <com/sun/star/task/XInteractionAbort.hpp>
#include <com/sun/star/task/XInteractionDisapprove.hpp>
#include <cppu/unotype.hxx>

using namespace css;

namespace office::lo {

namespace {

template <class Request> bool is(const uno::Any& request)
{
    return request.isExtractableTo(cppu::UnoType<Request>::get());
}

QString refusalOf(const uno::Any& request)
{
    if (is<document::BrokenPackageRequest>(request))
        return QStringLiteral("файл поврежден, а восстанавливать его программа не берется. Откройте его в "
                              "LibreOffice, согласитесь на восстановление, сохраните и повторите заполнение");
    if (is<task::PasswordRequest>(request))
        return QStringLiteral("файл защищен паролем. Снимите пароль в LibreOffice и повторите заполнение");
    if (is<document::FilterOptionsRequest>(request))
        return QStringLiteral("LibreOffice спрашивает, как читать этот файл (кодировку, разделители). "
                              "Сохраните шаблон в формате документа или таблицы и повторите заполнение");
    if (is<document::NoSuchFilterRequest>(request) || is<document::AmbigousFilterRequest>(request))
        return QStringLiteral("LibreOffice не знает формат этого файла");
    return {};
}

template <class Continuation>
bool choose(const uno::Sequence<uno::Reference<task::XInteractionContinuation>>& continuations)
{
    for (const auto& continuation : continuations) {
        if (uno::Reference<Continuation>(continuation, uno::UNO_QUERY).is()) {
            continuation->select();
            return true;
        }
    }
    return false;
}

} // namespace

void RefusingInteraction::handle(const uno::Reference<task::XInteractionRequest>& request)
{
    const uno::Any asked = request->getRequest();
    const QString refusal = refusalOf(asked);
    {
        std::lock_guard lock(mutex_);
        if (refusal_.isEmpty())
            refusal_ = refusal;
        askedHowToRead_ = askedHowToRead_ || is<document::FilterOptionsRequest>(asked);
    }
    // Nothing chosen counts as no answer, which the office takes as abort.
    const auto continuations = request->getContinuations();
    if (!choose<task::XInteractionAbort>(continuations))
        choose<task::XInteractionDisapprove>(continuations);
}

QString RefusingInteraction::refusal() const
{
    std::lock_guard lock(mutex_);
    return refusal_;
}

bool RefusingInteraction::askedHowToRead() const
{
    std::lock_guard lock(mutex_);
    return askedHowToRead_;
}

} // namespace office::lo
