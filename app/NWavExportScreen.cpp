#include "app/NWavExportScreen.h"

#include "app/NAudioControl.h"
#include "app/NSequencerEdit.h"
#include "engine/NBassSynth.h"
#include "engine/NProgramSession.h"
#include "engine/NSequencer.h"
#include "engine/NSongCommands.h"
#include "engine/NVandrelCore.h"
#include "foundation/KESOServices.h"
#include "foundation/MemoryTracker.h"
#include "gui/LGUIButton.h"
#include "gui/LGUICheckBox.h"
#include "gui/LGUIEvent.h"
#include "gui/LGUIGroupBox.h"
#include "gui/LGUILabel.h"
#include "gui/LGUIPanel.h"
#include "gui/LGUITabBar.h"
#include "gui/LScreenBitmap.h"
#include "gui/NBitmapCache.h"

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
    LGUILabel* hint = label(u"Set up a loop and press the Export... button.", 120, 157, TextColour, 1);
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
    for (LGUIWidget* child : std::initializer_list<LGUIWidget*>{exportButton, exitButton, songBox, hint, web, mail,
                                                               copyright, loopLabel, setStart, setEnd})
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
    if (NSongCommands::transport().mode == 1) {
        if (!sequencer->showsCurrentSong())
            sequencer->invalidate();
        draw(0, 0);
    }
    LScreenBitmap::instance().present();
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
    bool cleared = false;
    if (!openDialog.cancelled) {
        // Audio is stopped: nothing else touches the song until startAudio.
        const String path(openDialog.pathBuffer);
        const NSequencer::LoadResult result = NProgramSession().loadSong(path);
        if (result == NSequencer::LoadResult::CannotOpen) {
            KESOServices::instance().showMessage(String(u"The song could not be opened:\n") + path +
                                                     String(u"\n") + NSequencer::instance().loadError,
                                                 u"Load Song");
        } else {
            cleared = true; // the session's load has done it
        }
        sequencer->scrollToPlayPosition();
        updateTitle();
        refresh();
    }
    redrawSequencer();
    if (!cleared)
        clearEffectsAndVoices();
    startAudio();
}

void NWavExportScreen::exportLoop()
{
    saveDialog.chooseSave();
    invalidate();
    if (!saveDialog.cancelled) {
        stopAudio();
        NProgramSession().exportLoop(String(saveDialog.pathBuffer), NMixer::ExportOptions());
        startAudio();
        // The export switches looping off; the check box must not go on claiming it is on.
        loopCheckBox->setValue(NSongCommands::transport().loopOn);
        loopCheckBox->invalidate();
    }
    redrawSequencer();
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
