// Deadlines for tests that wait on something outside their own thread.
#pragma once

// Another process (the stand-in player, the recording browser) can take ten seconds and more to
// start where 32-bit code runs under an emulator. A test waits for the event itself (a window, a
// file, an answer) and gives up only after this long, so a slow start never reads as a failure.
constexpr unsigned kOtherProcessMs = 60000;
