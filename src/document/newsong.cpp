#include "document/newsong.h"

#include "document/songcodes.h"

namespace doc {

void NewProject(Song& song) {
    for (int i = 1; i <= 19; ++i) song.TimeSigCodes[i] = 0;
    for (int p = 1; p <= kMaxParts; ++p) song.Parts[p].NoteCount = 0;

    song.SongStartSeconds = 0;
    song.SongSeconds = 180.0;

    song.TimeSigTicks[0] = 0;
    song.TimeSigCodes[0] = TimeSigTextToCode("4/4");
    song.TempoChangeTicks[0] = 0;
    song.TempoChangeBpm[0] = 80.0f;
    song.TimeSigLastIndex = 0;
    song.TempoLastIndex = 0;
    song.KeyChangeLastIndex = 0;
    song.KeyChangeTicks[0] = 0;
    song.KeyChangeKeys[0] = 0;

    song.PartCount = 5;
    static const char* const kNames[] = {"领唱", "女高", "女低", "男高", "男低"};
    for (int p = 1; p <= 5; ++p) {
        PartRecord& part = song.Parts[p];
        part.Name = QString::fromUtf8(kNames[p - 1]);
        part.ShowInScore = 1;
        part.DisplayMode = 1;
        part.StripHeight = 120;
        part.AudioFile.clear();
        part.StripTopPitch = int16_t(80 - 4 * p);
        part.StripTop = int16_t((p - 1) * 120);
        part.Colour = 0x404000;
        part.Colour2 = 0xFFFFFF;
        part.Volume = 100;
        part.Program = 0;
        part.MidiOn = 1;
        part.AudioOn = 0;
        part.NoteCount = 0;
    }
    song.CurrentPart = 1;

    song.LoopStart = 0;
    song.LoopEnd = 32000000;
    song.ProjectPath.clear();

    song.Title = QString::fromUtf8("[歌曲名]");
    song.Lyricist = "xxx";
    song.Composer = "xxx";
    song.Singer = "xxx xxx";
    song.Subtitle = QString::fromUtf8("——附标题");

    song.PlayEventsStale = -1;
    song.NeedsRetypeset = -1;
    song.Modified = 0;
    song.PageSetupChanged = 0;
}

}  // namespace doc
