#pragma once

// The GUI thread's commands on the song, safe while the playback thread renders: each takes the
// engine lock around its work, so it never lands in the middle of a segment. Screens and the
// command line go through these rather than writing the sequencer's fields.
class NSongCommands {
public:
    // The transport as a view draws it, read at one instant.
    struct Transport {
        int mode;
        int position; // ticks
        int stepsPerBar;
        int loopStart; // bars, the end exclusive
        int loopEnd;
        bool loopOn;
        bool playing;
    };
    static Transport transport();

    static void start();
    static void stop();
    // Enter: stop when playing, start otherwise.
    static void startOrStop();
    // Space: stop when playing; stopped, go back to the loop start, or from there to the song's
    // start, so that repeated presses alternate between the two.
    static void stopOrRewind();
    static void locate(int ticks);
    static void setMode(int mode);
    // The loop marker moved to the bar boundary nearest the song position.
    static void setLoopStartAtPosition();
    static void setLoopEndAtPosition();
    // The loop's bars exactly as given, for a loop named on the command line.
    static void setLoopBars(int startBar, int endBar);
    static void setLoopOn(bool on);
    // Removes one bar's automation from a track.
    static void removeAutomation(int track, int bar);
    // A parameter edited on screen: the set of the current mode.
    static void setParameter(int machine, int index, int value);
};
