#include "platform/NSSound.h"

#include <atomic>

namespace {
std::atomic<std::size_t> soundsPlayed{0};
} // namespace

void NSSound::beep() { soundsPlayed.fetch_add(1, std::memory_order_relaxed); }

std::size_t NSSound::played() { return soundsPlayed.load(std::memory_order_relaxed); }

void NSSound::reset() { soundsPlayed.store(0, std::memory_order_relaxed); }
