// Sounds. Nothing is heard here: each sound played is counted, so a test can see that one was.
#pragma once

#include <cstddef>

class NSSound {
  public:
    /// Plays the system's alert sound (NSBeep).
    static void beep();
    /// The sounds played since the last reset.
    static std::size_t played();
    static void reset();
};

/// The system's alert sound.
inline void NSBeep() { NSSound::beep(); }
