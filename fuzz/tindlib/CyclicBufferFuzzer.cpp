// Fuzzes CCyclicBuffer against a plain model: any sequence of operations keeps the same
// bytes, cursor and sizes as a deque with an index.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <vector>

#include "tindlib/CyclicBuffer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    const size_t capacity = static_cast<size_t>(data[0] % 64);
    tindlib::CCyclicBuffer ring(capacity);
    std::deque<uint8_t> model;
    size_t cursor = 0;
    uint8_t next = 0;
    for (size_t i = 1; i + 1 < size; i += 2) {
        const uint8_t op = data[i] % 5;
        const size_t n = data[i + 1] % 80;
        std::vector<uint8_t> buf(n);
        switch (op) {
            case 0: {  // write at the cursor
                for (auto& b : buf) {
                    b = next++;
                }
                const size_t expect = std::min(n, capacity - cursor);
                if (ring.Write(buf.data(), n) != expect) {
                    std::abort();
                }
                for (size_t k = 0; k < expect; ++k, ++cursor) {
                    if (cursor < model.size()) {
                        model[cursor] = buf[k];
                    } else {
                        model.push_back(buf[k]);
                    }
                }
                break;
            }
            case 1: {  // read at the cursor
                const size_t expect = std::min(n, model.size() - cursor);
                if (ring.Read(buf.data(), n) != expect) {
                    std::abort();
                }
                for (size_t k = 0; k < expect; ++k) {
                    if (buf[k] != model[cursor + k]) {
                        std::abort();
                    }
                }
                cursor += expect;
                break;
            }
            case 2: {  // release from the front
                const size_t expect = std::min(n, model.size());
                if (ring.ReleaseFromFront(n) != expect) {
                    std::abort();
                }
                model.erase(model.begin(), model.begin() + static_cast<std::ptrdiff_t>(expect));
                cursor = cursor > expect ? cursor - expect : 0;
                break;
            }
            case 3: {  // move the cursor
                const bool ok = n <= model.size();
                if (ring.SetCurPos(n) != ok) {
                    std::abort();
                }
                if (ok) {
                    cursor = n;
                }
                break;
            }
            default:
                if (n == 0) {
                    ring.Clear();
                    model.clear();
                    cursor = 0;
                }
                break;
        }
        if (ring.GetCurPos() != cursor || ring.GetDataInBuffer() != model.size() ||
            ring.GetFreeBufSpace() != capacity - model.size()) {
            std::abort();
        }
    }
    return 0;
}
