#include "app/NWavExportScreen.h"

#include "app/NAudioControl.h"
#include "app/NBusyHost.h"
#include "app/NSequencerEdit.h"
#include "engine/NBassSynth.h"
#include "engine/NProgramSession.h"
#include "engine/NSequencer.h"
#include "engine/NSongCommands.h"
#include "engine/NVandrelCore.h"
#include "foundation/KESOServices.h"
#include "foundation/MemoryTracker.h"
#include "gui/LFont.h"
#include "gui/LGUIButton.h"
#include "gui/LGUICheckBox.h"
#include "gui/LGUIEvent.h"
#include "gui/LGUIGroupBox.h"
#include "gui/LGUILabel.h"
#include "gui/LGUIPanel.h"
#include "gui/LGUITabBar.h"
#include "gui/LScreenBitmap.h"
#include "gui/NBitmapCache.h"

#include <cstdio>
#include <initializer_list>

namespace {

constexpr std::uint16_t PanelColour = 0x3186;
constexpr std::uint16_t TitleColour = 0xFFE0;
constexpr std::uint16_t TextColour = 0xFFFF;
constexpr int SpaceKey = 0x20;

LGUIButton* button(const char16_t* caption, const char (&code)[5], int x, int y, int w, int h, int style,
                   const char16_t* icon)
{
    KESOBitmap* bitmap = icon != nullptr ? NBitmapCache::instance().request(NBitmapCache::skinPath(icon)) : nullptr;
    KESO_OWNER("NWavExportScreen::create");
    return new LGUIButton(caption, commandCode(code), x, y, w, h, style, bitmap);
}

LGUILabel* label(const char16_t* text, int x, int y, std::uint16_t colour, int style)
{
    KESO_OWNER("NWavExportScreen::create");
    return new LGUILabel(text, x, y, colour, style);
}

// Effect tails and ringing voices of the song that was playing do not carry into what plays next.
void clearEffectsAndVoices()
{
    NVandrelCore& core = NVandrelCore::instance();
    core.mixer.clearDelay();
    core.mixer.clearReverb();
    for (NBassSynth* synth : core.synths) {
        if (synth != nullptr)
            synth->resetVoice();
    }
}

} // namespace

const char16_t* const NWavExportScreen::UsualHint = u"Set up a loop and press the Export... button.";

NWavExportScreen::NWavExportScreen() = default;

NWavExportScreen::~NWavExportScreen()
{
    destroyChildren();
}

void NWavExportScreen::create()
{
    KESO_OWNER("NWavExportScreen::create");
    tabBar = new LGUITabBar(0, 240, w, 11);
    KESO_OWNER("NWavExportScreen::create");
    systemPanel = new LGUIPanel(0, 0, 240, 240, PanelColour);
    KESO_OWNER("NWavExportScreen::create");
    auto* songBox = new LGUIGroupBox(u"Song", 5, 15, 230, 70);
    titleLabel = label(u"(untitled)", 120, 15, TitleColour, 1);
    LGUIButton* loadButton = button(u"Load Song...", "OPEN", 65, 32, 100, 20, LGUIButton::IconLeft, u"open.tga");
    LGUIButton* exportButton = button(u"Export Loop to WAV...", "WAVE", 15, 94, 100, 20, 0, nullptr);
    LGUIButton* exitButton = button(u"Exit DavEdirorar", "EXIT", 125, 94, 100, 20, LGUIButton::IconLeft, u"off.tga");
    hintLabel = label(UsualHint, 120, 157, TextColour, 1);
    LGUILabel* web = label(u"ruzi-zevivuvo.example.org", 120, 168, TextColour, 1);
    LGUILabel* mail = label(u"support@ruzi-zevivuvo.example.org", 120, 179, TextColour, 1);
    LGUILabel* copyright = label(u"(c) 2026 The Ruzi Zevivuvo developers", 120, 190, TextColour, 1);
    KESO_OWNER("NWavExportScreen::create");
    sequencer = new NSequencerEdit(0, 252, w, 68);
    LGUILabel* loopLabel = label(u"Loop:", 15, 220, TextColour, 0);
    LGUIButton* setStart = button(u"Set Start", "LSTR", 45, 215, 60, 17, 0, nullptr);
    LGUIButton* setEnd = button(u"Set End", "LEND", 110, 215, 60, 17, 0, nullptr);
    KESO_OWNER("NWavExportScreen::create");
    loopCheckBox = new LGUICheckBox(u"Loop", commandCode("LOOP"), 205, sequencer->h - 12, 45, 9, false, -1);

    songBox->addChild(titleLabel);
    songBox->addChild(loadButton);
    for (LGUIWidget* child : std::initializer_list<LGUIWidget*>{exportButton, exitButton, songBox, hintLabel, web,
                                                               mail, copyright, loopLabel, setStart, setEnd})
        systemPanel->addChild(child);
    sequencer->addChild(loopCheckBox);
    addChild(sequencer);
    addChild(tabBar);
    addChild(systemPanel);

    tabBar->addTab(u"System", systemPanel);
    tabBar->invalidate();
    systemPanel->hide(true);
    systemPanel->show();

    openDialog.init({{u"VandrelStudio", u"*.VDL"}}, u"VDL");
    saveDialog.init({{u"Wave (.WAV) file", u"*.wav"}}, u"WAV");
}

void NWavExportScreen::updateTitle()
{
    titleLabel->setText(NSequencer::instance().fileName.fileNamePart());
}

void NWavExportScreen::refresh()
{
    NSongCommands::setMode(NSongCommands::transport().mode);
    sequencer->invalidate();
    loopCheckBox->setValue(NSongCommands::transport().loopOn);
}

void NWavExportScreen::redrawSequencer()
{
    sequencer->invalidate();
    sequencer->gridDirty = true;
}

void NWavExportScreen::timerStep()
{
    const bool hintEnds = hintMessageEnd && clock() >= *hintMessageEnd;
    if (hintEnds) {
        hintMessageEnd.reset();
        hintLabel->setText(UsualHint);
    }
    const bool songMode = NSongCommands::transport().mode == 1;
    if (songMode && !sequencer->showsCurrentSong())
        sequencer->invalidate();
    if (hintEnds || songMode)
        draw(0, 0);
    LScreenBitmap::instance().present();
}

void NWavExportScreen::showHintMessage(const String& text)
{
    hintMessageEnd = clock() + HintMessageTime;
    hintLabel->setText(text);
}

void NWavExportScreen::runCommand(int command)
{
    const LGUIEvent event{LGUIEvent::Clicked, command, 0, 0, 0};
    onEvent(&event);
}

void NWavExportScreen::onEvent(const LGUIEvent* event)
{
    LGUIScreen::onEvent(event);
    if (event->type == LGUIEvent::CheckBoxChanged) {
        if (event->command == commandCode("LOOP"))
            NSongCommands::setLoopOn(event->value != 0);
        return;
    }
    if (event->type != LGUIEvent::Clicked)
        return;
    const int command = event->command;
    if (command == commandCode("LSTR"))
        NSongCommands::setLoopStartAtPosition();
    else if (command == commandCode("LEND"))
        NSongCommands::setLoopEndAtPosition();
    else if (command == commandCode("OPEN"))
        loadSong();
    else if (command == commandCode("WAVE"))
        exportLoop();
    else if (command == commandCode("PLAY"))
        NSongCommands::start();
    else if (command == commandCode("STOP")) {
        sequencer->keyDown(SpaceKey);
        sequencer->gridDirty = true;
    }
}

void NWavExportScreen::loadSong()
{
    stopAudio();
    openDialog.chooseOpen();
    invalidate();
    finishLoad(!openDialog.cancelled && readSong(String(openDialog.pathBuffer)));
}

void NWavExportScreen::loadSongFile(const String& path)
{
    stopAudio();
    invalidate();
    finishLoad(readSong(path));
}

bool NWavExportScreen::readSong(const String& path)
{
    // Audio is stopped: nothing else touches the song until startAudio.
    const NSequencer::LoadResult result = NProgramSession().loadSong(path);
    if (result == NSequencer::LoadResult::CannotOpen) {
        KESOServices::instance().showMessage(String(u"The song could not be opened:\n") + path + String(u"\n") +
                                                 NSequencer::instance().loadError,
                                             u"Load Song");
    }
    sequencer->scrollToPlayPosition();
    updateTitle();
    refresh();
    return result != NSequencer::LoadResult::CannotOpen;
}

void NWavExportScreen::finishLoad(bool cleared)
{
    redrawSequencer();
    if (!cleared)
        clearEffectsAndVoices();
    startAudio();
}

void NWavExportScreen::exportLoop()
{
    saveDialog.chooseSave();
    invalidate();
    if (saveDialog.cancelled) {
        redrawSequencer();
        return;
    }
    stopAudio();
    const bool closing = exportWithProgress(String(saveDialog.pathBuffer));
    startAudio();
    // The export switches looping off; the check box must not go on claiming it is on.
    loopCheckBox->setValue(NSongCommands::transport().loopOn);
    loopCheckBox->invalidate();
    redrawSequencer();
    if (closing)
        runCommand(commandCode("EXIT"));
}

bool NWavExportScreen::exportWithProgress(const String& path)
{
    NExportProgress progress(busy, clock, [this](const String& text) { drawHintNow(text); });
    NMixer::ExportOptions options;
    options.progress = [&progress](double fraction) { progress.step(fraction); };
    const NMixer::ExportResult result = NProgramSession().exportLoop(path, options);
    progress.finish();
    reportExport(result, path, progress.lastReason());
    return progress.closeRequested();
}

void NWavExportScreen::reportExport(NMixer::ExportResult result, const String& path, const String& reason)
{
    switch (result) {
    case NMixer::ExportResult::Written: {
        char seconds[32];
        const std::int64_t frames = NVandrelCore::instance().mixer.exportedFrames();
        std::snprintf(seconds, sizeof seconds, ": %.1f s", static_cast<double>(frames) / ntime::SampleRate);
        showHintMessage(String(u"Exported ") + path.fileNamePart() + String::fromUtf8(seconds));
        break;
    }
    case NMixer::ExportResult::Aborted:
        showHintMessage(u"Export aborted");
        break;
    case NMixer::ExportResult::Failed:
    case NMixer::ExportResult::TooLong:
        showHintMessage(reason.length() > 0 ? String(u"Export failed: ") + reason : String(u"Export failed"));
        break;
    }
}

void NWavExportScreen::drawHintNow(const String& text)
{
    LScreenBitmap& screen = LScreenBitmap::instance();
    const int ox = x + systemPanel->x;
    const int oy = y + systemPanel->y;
    const int lineHeight = LFont::font(LFont::Bold)->height();
    // The rows a centred label paints, its shadow included, across the whole panel.
    const KESORect line{ox, oy + hintLabel->y - lineHeight / 2, systemPanel->w, lineHeight + 1};
    screen.fillRect(line.x, line.y, line.x + line.w, line.y + line.h, PanelColour);
    screen.invalidate(line);
    hintLabel->text = text; // setText would have the whole panel drawn again
    hintLabel->invalidate();
    hintLabel->draw(ox, oy);
}

void NWavExportScreen::stopAudio()
{
    if (audio != nullptr)
        audio->stopAudio();
}

void NWavExportScreen::startAudio()
{
    if (audio != nullptr)
        audio->startAudio();
}
