#pragma once
// The running minimum and maximum of the average multiplier, counted only in
// ticks in which the processors were at least `loadFilter` percent busy.

#include <string_view>

namespace turbo {

class MultiplierRange {
public:
    static constexpr double kMinimumStart = 100.0;
    static constexpr double kMaximumStart = 0.0;
    static constexpr int kDefaultLoadFilter = 90;
    static constexpr int kLoadFilterMax = 99;

    struct Change {
        bool minimum = false;
        bool maximum = false;
    };

    double minimum() const { return m_minimum; }
    double maximum() const { return m_maximum; }
    int loadFilter() const { return m_loadFilter; }

    void reset();

    // Clamps to 0..99; a value that differs from the old one resets the range.
    // Returns true when it did.
    bool setLoadFilter(int percent);

    // Counts the tick when the average C0 share, truncated to a whole percent,
    // reaches the load filter. Both ends may move in one tick.
    Change update(double averageC0, double averageMultiplier);

    static int clampLoadFilter(long long percent);

    // The load filter an entry such as "85%" or " -5" gives: its leading
    // decimal integer (optional blanks, an optional sign and digits; 0 when
    // there are none), clamped to 0..99.
    static int loadFilterFromText(std::string_view text);

private:
    double m_minimum = kMinimumStart;
    double m_maximum = kMaximumStart;
    int m_loadFilter = kDefaultLoadFilter;
};

} // namespace turbo
