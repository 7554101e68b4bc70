// The play state the main window shares between playback, recording, the rulers, the lyrics
// window and the change-point panels, kept in 16 bits as the window has always kept it.
#pragma once

#include <cstdint>

namespace doc {

enum class PlayMode : int16_t {
    Idle = 0,         // the next start places every player at the cursor
    ChangePanel = 1,  // a change-point panel is open: ruler clicks are ignored
    Stopped = 5,      // by the stop button, or the zoom moved during a pause: the next start resumes
    Playing = 6,      // learning playback runs
    CountIn = 7,      // the count-in before a recording
    Armed = 8,        // a recording waits for its first key
};

}  // namespace doc
