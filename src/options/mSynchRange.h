#pragma once
// mSynchRange: the sharing window as appointment mails carry it ("SynchRange":
// back unit, back count, forward unit, forward count in six digits) and its
// widening by a received one, written to the store's options.
#include <string>

#include "options/mOptions.h"
#include "platform/Registry.h"

namespace mOptions {

// Six digits: back unit, back count (2), forward unit, forward count (2).
// Counts are taken modulo 100 and units modulo 10 so the text keeps its width.
std::string FormatSynchRange(int backUnit, int backCount, int forwardUnit, int forwardCount);

// The widened window after comparing a received SynchRange text with the
// local one; `changed` tells whether anything was taken. A text that is not
// exactly six digits changes nothing.
struct SynchWindow {
  int backUnit = 0;
  int backCount = 0;
  int forwardUnit = 0;
  int forwardCount = 0;
  bool changed = false;
};
SynchWindow WidenSynchRange(const std::string& received, SynchWindow local);

// The SynchRange text of the current preferences.
std::string GetSynchRange(const Options& options);

// Widens the local sharing window by a received SynchRange text and, when
// anything was taken, writes the four values to the store's options key.
// A text that is not six digits changes nothing.
void ApplySynchRange(platform::Registry& registry, const std::string& storeId, const std::string& received,
                     Options& options);

}  // namespace mOptions
