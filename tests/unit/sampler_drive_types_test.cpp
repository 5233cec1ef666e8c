// Drive letters and their types: the letters read on looked-at ticks, after an announced volume
// change and now and then; the types asked when the letters change, on the first tick and after
// a run of reuses; otherwise the answer of the last asking stands.
#include <gtest/gtest.h>

#include <string>

#include "sampler/drive_types.h"

namespace qv {
namespace {

constexpr uint32_t bit(char letter) { return 1u << (letter - 'A'); }

// The system's answers: C and Z are fixed, everything else is not. Remembers which letters were
// asked, in order.
struct System {
  uint32_t fixed = bit('C') | bit('Z');
  std::string asked;
  uint32_t fixed_letters(DriveTypeCache& cache, uint32_t letters) {
    return fixed_drive_letters(cache, letters, [this](int i) {
      asked += static_cast<char>('A' + i);
      return (fixed & (1u << i)) != 0;
    });
  }
};

TEST(DriveTypes, FirstTickAsksEveryPresentLetterAndLaterTicksReuseTheAnswer) {
  System sys;
  DriveTypeCache cache;
  const uint32_t letters = bit('C') | bit('D') | bit('Z');
  EXPECT_EQ(sys.fixed_letters(cache, letters), bit('C') | bit('Z'));
  EXPECT_EQ(sys.asked, "CDZ");
  sys.asked.clear();
  sys.fixed = 0;  // a changed answer is not seen while the letters stay
  EXPECT_EQ(sys.fixed_letters(cache, letters), bit('C') | bit('Z'));
  EXPECT_EQ(sys.asked, "");
}

TEST(DriveTypes, ChangedLettersAskAgain) {
  struct Case {
    const char* what;
    uint32_t after;
    uint32_t want_fixed;
    const char* want_asked;
  };
  const Case cases[] = {
      {"a fixed drive arrives", bit('C') | bit('E') | bit('Z'), bit('C') | bit('E') | bit('Z'), "CEZ"},
      {"a drive leaves", bit('C'), bit('C'), "C"},
      {"no letters at all", 0, 0, ""},
  };
  for (const Case& c : cases) {
    System sys;
    DriveTypeCache cache;
    sys.fixed_letters(cache, bit('C') | bit('Z'));
    sys.asked.clear();
    sys.fixed |= bit('E');
    EXPECT_EQ(sys.fixed_letters(cache, c.after), c.want_fixed) << c.what;
    EXPECT_EQ(sys.asked, c.want_asked) << c.what;
  }
}

TEST(DriveTypes, SameLettersAreAskedAgainAfterSixtyReuses) {
  System sys;
  DriveTypeCache cache;
  const uint32_t letters = bit('C') | bit('D');
  sys.fixed_letters(cache, letters);
  // D became a fixed drive between two ticks without its letter ever going away.
  sys.fixed |= bit('D');
  sys.asked.clear();
  for (int reuse = 1; reuse <= 60; ++reuse) {
    ASSERT_EQ(sys.fixed_letters(cache, letters), bit('C')) << "reuse " << reuse;
  }
  EXPECT_EQ(sys.asked, "");
  EXPECT_EQ(sys.fixed_letters(cache, letters), bit('C') | bit('D'));
  EXPECT_EQ(sys.asked, "CD");
}

TEST(DriveTypes, BitsPastZAreNeitherAskedNorReturned) {
  System sys;
  DriveTypeCache cache;
  EXPECT_EQ(sys.fixed_letters(cache, 0xFC000000u | bit('C')), bit('C'));
  EXPECT_EQ(sys.asked, "C");
  sys.asked.clear();
  // Only the 26 letters count when comparing with the cached ones.
  EXPECT_EQ(sys.fixed_letters(cache, bit('C')), bit('C'));
  EXPECT_EQ(sys.asked, "");
}

TEST(DriveLetters, AreReadWhenSomeoneLooksWhenAVolumeIsAnnouncedAndEverySixtyTicks) {
  struct Case {
    const char* what;
    bool known;
    uint32_t letters;
    uint32_t age;
    bool detail;
    bool announced;
    bool want;
  };
  const uint32_t c = bit('C');
  const Case cases[] = {
      {"nothing kept yet", false, 0, 0, false, false, true},
      {"quiet tick, letters kept", true, c, 0, false, false, false},
      {"59th tick after the last reading", true, c, 58, false, false, false},
      {"60th tick after the last reading", true, c, 59, false, false, true},
      {"panel shown or a recent request", true, c, 0, true, false, true},
      {"a volume came or went", true, c, 0, false, true, true},
      {"the last reading found no letter", true, 0, 0, false, false, true},
  };
  for (const Case& k : cases) {
    DriveTypeCache cache;
    cache.known = k.known;
    cache.letters = k.letters;
    cache.letters_age = k.age;
    EXPECT_EQ(drive_letters_due(cache, k.detail, k.announced), k.want) << k.what;
    EXPECT_EQ(cache.letters_age, k.want ? 0u : k.age + 1) << k.what;
  }
}

TEST(DriveLetters, QuietTicksReadThemOnceInSixty) {
  DriveTypeCache cache;
  cache.known = true;
  cache.letters = bit('C');
  std::string read_on;  // the ticks that read, after a reading at tick 0
  for (int tick = 1; tick <= 180; ++tick) {
    if (drive_letters_due(cache, false, false)) read_on += std::to_string(tick) + " ";
  }
  EXPECT_EQ(read_on, "60 120 180 ");
}

TEST(DriveLetters, OnlyArrivalsAndFinishedRemovalsMoveDrives) {
  EXPECT_TRUE(device_event_moves_drives(0x8000));   // DBT_DEVICEARRIVAL
  EXPECT_TRUE(device_event_moves_drives(0x8004));   // DBT_DEVICEREMOVECOMPLETE
  EXPECT_FALSE(device_event_moves_drives(0x8001));  // DBT_DEVICEQUERYREMOVE: nothing has gone yet
  EXPECT_FALSE(device_event_moves_drives(0x8003));  // DBT_DEVICEREMOVEPENDING
  EXPECT_FALSE(device_event_moves_drives(0x0007));  // DBT_DEVNODES_CHANGED
}

}  // namespace
}  // namespace qv
