#include "inorder.h"

#include <algorithm>
#include <deque>
#include <future>
#include <thread>
#include <vector>

namespace indexer {

void writeInOrder(size_t count, const std::function<void(size_t part, std::string &text)> &make,
                  const std::function<void(std::string_view text)> &write)
{
    const size_t ahead = std::max(2u, std::thread::hardware_concurrency());
    std::vector<std::string> texts(ahead);
    std::deque<std::future<void>> made;
    for (size_t next = 0, written = 0; written < count; ++written) {
        for (; next < count && next < written + ahead; ++next)
            made.push_back(std::async(std::launch::async, [&make, next, &kept = texts[next % ahead]] {
                // Written into a string of the thread's own: strings side by side in texts share
                // a line of the cache, which each append would take from the other threads.
                std::string text = std::move(kept);
                make(next, text);
                kept = std::move(text);
            }));
        made.front().get();
        made.pop_front();
        write(texts[written % ahead]);
    }
}

} // namespace indexer
