#include "audio/NSample.h"

#include "audio/NVectorClones.h"
#include "engine/NWrap32.h"
#include "foundation/ChunkFile.h"
#include "foundation/File.h"
#include "foundation/LittleEndian.h"
#include "foundation/MemoryTracker.h"

#include <climits>

namespace {

constexpr int PcmFormat = 1;
constexpr std::int64_t HeaderRoom = 1 << 16; // the header and any other chunks beside the data
constexpr std::int64_t MaxFrames = ntime::roundDownToBlocks(INT_MAX); // the most whole blocks an int holds

bool isSeparator(char16_t c)
{
    return c == u'\\' || c == u'/';
}

// Songs name samples relative to the samples folder; an absolute name is taken as it is.
String samplePath(const String& name)
{
    const char16_t* p = name.c_str();
    bool absolute = isSeparator(p[0]) || (p[0] != 0 && p[1] == u':' && isSeparator(p[2]));
    return absolute ? name : String(u"samples/") + name;
}

String describeFormat(int formatTag, int channels, int blockAlign)
{
    return String(u"unsupported format (tag ") + intToString(formatTag) + String(u", ") +
           intToString(channels) + String(u" channels, ") + intToString(blockAlign) +
           String(u" bytes per frame); only 16-bit mono PCM plays");
}

const char16_t* const DefaultKit[NSample::KitSlots] = {
    u"CR_std.wav", u"CY_std.wav", u"OH_std.wav", u"CH_std.wav", u"HT_std.wav", u"MT_std.wav",
    u"LT_std.wav", u"CL_std.wav", u"RS_std.wav", u"SN_std.wav", u"SN2_std.wav", u"BD_std.wav",
};

} // namespace

const char16_t* NSample::defaultKitName(int slot)
{
    return slot >= 0 && slot < KitSlots ? DefaultKit[slot] : u"";
}

NSample::~NSample()
{
    destroy();
}

void NSample::destroy()
{
    if (data_ != nullptr) {
        KESO_OWNER("NSample::destroy");
        delete[] data_;
    }
    data_ = nullptr;
    length_ = 0;
}

void NSample::create(int frames)
{
    name_ = String();
    destroy();
    std::int64_t rounded = ntime::roundUpToBlocks(static_cast<std::int64_t>(frames < 0 ? 0 : frames));
    length_ = static_cast<std::int32_t>(rounded < MaxFrames ? rounded : MaxFrames);
    KESO_OWNER("NSample::create");
    data_ = new std::int16_t[length_]();
}

bool NSample::load(const String& sampleName)
{
    playing_ = false;
    String kept(sampleName); // the caller's string may be our own name, which create() clears
    requestedName_ = kept;
    if (tooLarge(samplePath(kept)))
        return false;
    ChunkFile file(samplePath(kept), true);
    if (file.failed()) {
        const String& reason = file.errorText();
        return refuse(LoadStatus::CannotOpen, reason.length() > 0 ? reason : String(u"cannot be opened"));
    }
    if (!readWave(file))
        return false;
    name_ = kept;
    loadStatus_ = LoadStatus::Loaded;
    loadError_ = String();
    return true;
}

bool NSample::tooLarge(const String& path)
{
    // The reader holds a whole file in memory and the sound another copy: a huge file would cost
    // gigabytes for one pad before its format is even looked at.
    File file;
    if (!file.open(path, File::Read))
        return false; // the chunk reader says why
    const std::int64_t bytes = file.size();
    file.close();
    if (bytes <= MaxDataBytes + HeaderRoom)
        return false;
    refuse(LoadStatus::TooLarge, String(u"too large (") + intToString(static_cast<int>(bytes >> 20)) +
                                     String(u" MiB); a sample may hold at most 10 minutes of 16-bit mono (") +
                                     intToString(static_cast<int>(MaxDataBytes >> 20)) + String(u" MiB)"));
    return true;
}

bool NSample::refuse(LoadStatus status, const String& reason)
{
    loadStatus_ = status;
    loadError_ = reason;
    return false;
}

// A file cut short anywhere never gets this far with a chunk that claims more than the file holds:
// the chunk reader treats such a chunk as missing, so the previous sound stays.
bool NSample::readWave(ChunkFile& file)
{
    if (!file.descend(chunkTag("RIFF")))
        return refuse(LoadStatus::NotWave, u"not a WAV file");
    file.readInt(); // the form type, not checked
    if (!file.descend(chunkTag("fmt ")))
        return refuse(LoadStatus::NotWave, u"not a WAV file (no \"fmt \" chunk)");
    std::uint32_t tagAndChannels = static_cast<std::uint32_t>(file.readInt());
    int formatTag = static_cast<int>(tagAndChannels & 0xFFFF);
    int channels = static_cast<int>(tagAndChannels >> 16);
    file.readInt(); // sample rate: every sample plays at ntime::SampleRate
    file.readInt(); // byte rate
    int blockAlign = file.readInt() & 0xFFFF;
    file.ascend();
    // Neither case touches the current sound: there is no frame size to make silence of.
    if (formatTag != PcmFormat || blockAlign == 0)
        return refuse(LoadStatus::Refused, describeFormat(formatTag, channels, blockAlign));
    if (!file.descend(chunkTag("data")))
        return refuse(LoadStatus::NotWave, u"not a WAV file (no \"data\" chunk)");
    int frames = file.chunkSize() / blockAlign;
    create(frames);
    if (blockAlign != 2 || channels != 1)
        return refuse(LoadStatus::Refused, describeFormat(formatTag, channels, blockAlign));
    // Whole frames only: an odd last byte belongs to no frame and must not land in the padding.
    unsigned char* bytes = reinterpret_cast<unsigned char*>(data_);
    file.readBytes(bytes, frames * 2);
    for (int i = 0; i < frames; ++i)
        data_[i] = static_cast<std::int16_t>(littleendian::read16(bytes + 2 * i));
    return true;
}

void NSample::trigger(int step, int velocity)
{
    if (data_ == nullptr) {
        playing_ = false;
        return;
    }
    velocity_ = velocity;
    step_ = step;
    playing_ = true;
    position_ = 0;
}

void NSample::resetVoice()
{
    playing_ = false;
    position_ = 0;
    step_ = UnitStep;
    velocity_ = 0;
}

NVECTOR_CLONES
void NSample::addGained(std::int32_t* mix, const std::int16_t* in, std::int32_t gain)
{
    for (int k = 0; k < ntime::BlockFrames; ++k)
        mix[k] = wrap32::add(mix[k], wrap32::mul(in[k], gain) >> 8);
}

void NSample::render(std::int32_t* mix, int volume)
{
    if (data_ == nullptr || !playing_)
        return;
    // Only a sound replaced or emptied under a sounding voice can put it here; it ends instead of
    // reading past the buffer.
    if (position_ < 0 || position_ > length_ - ntime::BlockFrames) {
        playing_ = false;
        return;
    }
    // Other rates are not supported: such a voice stays where it is and mixes nothing.
    if (step_ == UnitStep) {
        std::int32_t gain = wrap32::mul(velocity_, volume) >> 8;
        addGained(mix, data_ + position_, gain);
        position_ += ntime::BlockFrames;
    }
    if (position_ >= length_)
        playing_ = false;
}
