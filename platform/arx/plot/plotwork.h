// The work of one plot: the units it spends, priced by plotprice.h, against its limit. Once
// more than the limit is spent the plot stops: what is charged after that is not made.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qv {

class PlotWork
{
public:
    void limit(std::size_t units) { m_limit = units; }
    // Spends units; false once more than the limit is spent.
    bool spend(std::size_t units)
    {
        m_spent = units > SIZE_MAX - m_spent ? SIZE_MAX : m_spent + units;
        return !exhausted();
    }
    // Whether units more fit in the work left, spending nothing; if not, spends them all, so
    // that the plot stops, and what would cost them is not made.
    bool afford(std::size_t units)
    {
        if (units <= left())
            return true;
        spend(units);
        return false;
    }
    bool exhausted() const { return m_spent > m_limit; }
    std::size_t spent() const { return m_spent; }
    std::size_t left() const { return exhausted() ? 0 : m_limit - m_spent; }

private:
    std::size_t m_spent = 0, m_limit = SIZE_MAX;
};

} // namespace qv
