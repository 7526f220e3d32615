#pragma once

// ruzi-render's exit statuses; a batch ends with the highest status of any of its songs.
enum NExitCode {
    Written = 0,
    BadUsage = 1,
    CannotOpen = 2,
    NotASong = 3,
    CannotWrite = 4,
    Aborted = 5,
    TooLong = 6,
    OutOfMemory = 7
};
