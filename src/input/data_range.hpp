// The temperatures at which a database entry's log K rests on data.
//
// The bundled databases carry every entry over their whole grid, but some
// entries were measured or fitted over a few temperatures only (an ion pair
// known at 25 °C, a fit of the LLNL data set valid from 0 to 200 °C) and are
// carried beyond them by the van 't Hoff equation. Such an entry says so in
// its comment with the tag "data 25 C" or "data 0-200 C"; a run that uses it
// outside those temperatures says so too, so that no extrapolated constant
// passes for a measured one. An entry without the tag comes from an equation
// of state valid on the whole grid.
#pragma once

#include <string>
#include <string_view>

namespace wq {

struct DataRange {
    bool given = false;
    double low = 0.0;   // deg C
    double high = 0.0;  // deg C; equal to low for data at one temperature
    bool operator==(const DataRange&) const = default;
};

// The tag "data T C" or "data T1-T2 C" anywhere in an entry's comment; not
// given when the comment holds none (or a malformed one).
DataRange dataRangeIn(std::string_view comment);

// A value measured at one temperature stands for the laboratory's usual
// span around it: used within this many degrees it is not extrapolated.
inline constexpr double SINGLE_TEMPERATURE_SPAN_C = 5.0;

// True when a run at `temperature` (deg C) uses the entry beyond its data.
bool usedBeyondData(const DataRange& range, double temperature);

// "25 C" or "0-200 C", as the tag wrote it (the second: at the end of `text`).
std::string dataRangeText(const DataRange& range);
void appendDataRangeText(std::string& text, const DataRange& range);

}  // namespace wq
