// Failure reasons as InitializeClockLib hands them out: "<file>: <fault>",
// never longer than the program's buffer allows.
#ifndef KORVAN_CLOCKSIM_REASON_TEXT_H
#define KORVAN_CLOCKSIM_REASON_TEXT_H

#include <string>
#include <string_view>

namespace clocksim {

// Joins "subject: fault" into at most CLOCKLIB_ERROR_TEXT_MAX bytes. A long
// subject (a path) loses its head so that the file name stays; a long fault
// loses its tail. Cuts fall between UTF-8 characters and are marked "...".
std::string FitReason(std::string_view subject, std::string_view fault);

}  // namespace clocksim

#endif  // KORVAN_CLOCKSIM_REASON_TEXT_H
