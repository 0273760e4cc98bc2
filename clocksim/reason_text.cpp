#include "clocksim/reason_text.h"

#include <algorithm>

#include "clocklib/clock_library.h"

namespace clocksim {
namespace {

constexpr std::size_t kMaxBytes = CLOCKLIB_ERROR_TEXT_MAX;
constexpr std::string_view kEllipsis = "...";
// However long the fault, this much of the subject stays readable.
constexpr std::size_t kSubjectFloor = 80;

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

std::string_view HeadWithin(std::string_view text, std::size_t bytes) {
    std::size_t end = std::min(bytes, text.size());
    while (end > 0 && end < text.size() && IsContinuationByte(text[end])) --end;
    return text.substr(0, end);
}

std::string_view TailWithin(std::string_view text, std::size_t bytes) {
    std::size_t start = text.size() - std::min(bytes, text.size());
    while (start < text.size() && IsContinuationByte(text[start])) ++start;
    return text.substr(start);
}

}  // namespace

std::string FitReason(std::string_view subject, std::string_view fault) {
    constexpr std::string_view kSeparator = ": ";
    if (subject.size() + kSeparator.size() + fault.size() <= kMaxBytes) {
        return std::string(subject).append(kSeparator).append(fault);
    }
    std::size_t subjectBudget = kMaxBytes - std::min(kMaxBytes, fault.size() + kSeparator.size());
    subjectBudget = std::max(subjectBudget, std::min(subject.size(), kSubjectFloor));
    std::string shown;
    if (subject.size() <= subjectBudget) {
        shown = subject;
    } else {
        shown =
            std::string(kEllipsis).append(TailWithin(subject, subjectBudget - kEllipsis.size()));
    }
    shown += kSeparator;
    const std::size_t faultBudget = kMaxBytes - shown.size();
    if (fault.size() <= faultBudget) {
        shown += fault;
    } else {
        shown.append(HeadWithin(fault, faultBudget - kEllipsis.size())).append(kEllipsis);
    }
    return shown;
}

}  // namespace clocksim
