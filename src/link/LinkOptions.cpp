#include "link/LinkOptions.h"

#include <atomic>

namespace linkoptions {

namespace {

std::atomic<int> g_answerTimeoutMs{0};
std::atomic<int> g_retries{0};

} // namespace

void setAnswerTimeoutMs(int ms) {
    g_answerTimeoutMs.store(ms > 0 ? ms : 0);
}

int answerTimeoutMs() {
    return g_answerTimeoutMs.load(std::memory_order_relaxed);
}

void setRetries(int retries) {
    g_retries.store(retries > 0 ? retries : 0);
}

int retries() {
    return g_retries.load(std::memory_order_relaxed);
}

} // namespace linkoptions
