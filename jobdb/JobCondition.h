#pragma once
// The date condition of a record selection. The record browser builds its condition as text:
//   ""                                              every record
//   "Where Date_T >='FROM'"                         from a start time on
//   "Where Date_T >='FROM' and Date_T <='TO'"       between two times
//   "Where Date_T <='TO'"                           up to an end time
// with times "YYYY-MM-DD HH:MM:SS". Only these forms are accepted (keywords in any case, blanks
// free); the times are checked and then bound as values, so a condition text can never carry SQL.
#include <string>

namespace quillet {

struct DateRange {
    std::string from; // "YYYY-MM-DD HH:MM:SS" or empty (no lower bound)
    std::string to;   // "YYYY-MM-DD HH:MM:SS" or empty (no upper bound)
};

// Parses a condition; false with a reason when it is not one of the accepted forms.
bool parseDateCondition(const std::string& condition, DateRange& range, std::string& error);

// A day "YYYY-MM-DD" or a time "YYYY-MM-DD HH:MM:SS" (real calendar dates only). For a bare day the
// time is filled with `dayTime` ("00:00:00" for a start, "23:59:59" for an end).
bool parseDateTime(const std::string& text, const char* dayTime, std::string& out);

// The condition the browser builds from a start day and an end day ("YYYY-MM-DD"; empty: not set).
// Returns false with a reason when a day is not a valid date.
bool buildDateCondition(const std::string& fromDay, const std::string& toDay, std::string& condition,
                        std::string& error);

} // namespace quillet
