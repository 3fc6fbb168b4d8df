#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace indexer {

// Maps items on worker threads and hands the results out in the order the items came in, so a
// single consumer sees them as if they had been mapped one after another. Memory stays bounded:
// push() waits while the items in flight weigh more than the limit given (one item always fits).
template <class In, class Out>
class OrderedMap
{
public:
    using Map = std::function<Out(In &)>;

    OrderedMap(unsigned workers, Map map, size_t maxWeight) : m_map(std::move(map)), m_maxWeight(maxWeight)
    {
        for (unsigned i = 0; i < workers; ++i)
            m_workers.emplace_back([this] { work(); });
    }

    ~OrderedMap()
    {
        stop();
        for (std::thread &worker : m_workers)
            worker.join();
    }

    // Hands in the next item; false when the map was stopped and takes no more.
    bool push(In item, size_t weight)
    {
        std::unique_lock lock(m_mutex);
        m_roomLeft.wait(lock, [&] {
            return m_stopped || m_slots.empty() || (m_weight + weight <= m_maxWeight && m_slots.size() < kMaxItems);
        });
        if (m_stopped)
            return false;
        m_slots.push_back({std::move(item), std::nullopt, nullptr, weight});
        m_weight += weight;
        m_workToDo.notify_one();
        return true;
    }

    // No more items will come.
    void close()
    {
        std::lock_guard lock(m_mutex);
        m_closed = true;
        m_resultReady.notify_all();
    }

    // Abandons what is in flight: pushes fail from now on, and the workers end.
    void stop()
    {
        std::lock_guard lock(m_mutex);
        m_stopped = m_closed = true;
        m_workToDo.notify_all();
        m_roomLeft.notify_all();
        m_resultReady.notify_all();
    }

    // The next result in the order of the items, nothing once the map is closed and every result
    // has been handed out. An exception thrown by the mapping comes out here, in its place.
    std::optional<Out> pop()
    {
        std::unique_lock lock(m_mutex);
        m_resultReady.wait(lock, [&] {
            return (!m_slots.empty() && (m_slots.front().out || m_slots.front().error))
                   || (m_closed && (m_slots.empty() || m_stopped));
        });
        if (m_slots.empty() || !(m_slots.front().out || m_slots.front().error))
            return std::nullopt;
        Slot slot = std::move(m_slots.front());
        m_slots.pop_front();
        ++m_frontSequence;
        m_weight -= slot.weight;
        m_roomLeft.notify_one();
        lock.unlock();
        if (slot.error)
            std::rethrow_exception(slot.error);
        return std::move(slot.out);
    }

private:
    static constexpr size_t kMaxItems = 4096;

    struct Slot
    {
        In in;
        std::optional<Out> out;
        std::exception_ptr error;
        size_t weight;
    };

    void work()
    {
        for (;;) {
            std::unique_lock lock(m_mutex);
            m_workToDo.wait(lock, [&] { return m_stopped || m_nextSequence < m_frontSequence + m_slots.size(); });
            if (m_stopped)
                return;
            const uint64_t sequence = m_nextSequence++;
            In item = std::move(m_slots[sequence - m_frontSequence].in);
            lock.unlock();

            std::optional<Out> out;
            std::exception_ptr error;
            try {
                out.emplace(m_map(item));
            } catch (...) {
                error = std::current_exception();
            }

            lock.lock();
            // Slots before this one may have been handed out meanwhile, never this one.
            Slot &slot = m_slots[sequence - m_frontSequence];
            slot.out = std::move(out);
            slot.error = error;
            if (sequence == m_frontSequence)
                m_resultReady.notify_all();
        }
    }

    Map m_map;
    const size_t m_maxWeight;
    std::mutex m_mutex;
    std::condition_variable m_workToDo, m_roomLeft, m_resultReady;
    std::deque<Slot> m_slots; // in push order, from the next result to hand out on
    uint64_t m_frontSequence = 0; // sequence number of m_slots.front()
    uint64_t m_nextSequence = 0;  // the next item a worker takes
    size_t m_weight = 0;
    bool m_closed = false;
    bool m_stopped = false;
    std::vector<std::thread> m_workers;
};

} // namespace indexer
