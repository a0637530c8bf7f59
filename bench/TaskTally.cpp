#include "bench/TaskTally.h"

namespace bench {

namespace {

void add(ThreadCounters& sum, const ThreadCounters& more)
{
    sum.runtimeMs += more.runtimeMs;
    sum.switches += more.switches;
    sum.voluntary += more.voluntary;
}

bool wentBack(const ThreadCounters& now, const ThreadCounters& before)
{
    return now.runtimeMs < before.runtimeMs || now.switches < before.switches || now.voluntary < before.voluntary;
}

} // namespace

void TaskTally::retire(const ThreadSample& last)
{
    add(m_ended[last.name], last.counters);
    ++m_endedCount;
}

void TaskTally::update(const std::vector<ThreadSample>& threads)
{
    std::map<int, ThreadSample> live;
    for (const ThreadSample& thread : threads) {
        auto known = m_live.find(thread.tid);
        if (known != m_live.end()) {
            if (wentBack(thread.counters, known->second.counters))
                retire(known->second);
            m_live.erase(known);
        }
        live[thread.tid] = thread;
    }
    for (const auto& [tid, last] : m_live)
        retire(last);
    m_live = std::move(live);
}

const ThreadSample* TaskTally::last(int tid) const
{
    auto known = m_live.find(tid);
    return known == m_live.end() ? nullptr : &known->second;
}

std::map<std::string, ThreadCounters> TaskTally::byName() const
{
    std::map<std::string, ThreadCounters> names = m_ended;
    for (const auto& [tid, thread] : m_live)
        add(names[thread.name], thread.counters);
    return names;
}

ThreadCounters TaskTally::total() const
{
    ThreadCounters sum;
    for (const auto& [name, counters] : byName())
        add(sum, counters);
    return sum;
}

} // namespace bench
