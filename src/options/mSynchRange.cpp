#include "options/mSynchRange.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "diagnostics/CDebug.h"
#include "options/CWinReg.h"

namespace mOptions {
namespace {

int Digits(const std::string& text, size_t pos, size_t count) {
  int value = 0;
  for (size_t i = pos; i < pos + count; ++i) value = value * 10 + (text[i] - '0');
  return value;
}

bool AllDigits(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

}  // namespace

std::string FormatSynchRange(int backUnit, int backCount, int forwardUnit, int forwardCount) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%01d%02d%01d%02d", backUnit % 10, backCount % 100, forwardUnit % 10,
                forwardCount % 100);
  return buf;
}

SynchWindow WidenSynchRange(const std::string& received, SynchWindow local) {
  local.changed = false;
  if (received.size() != 6 || !AllDigits(received)) return local;
  const int backUnit = Digits(received, 0, 1);
  const int backCount = Digits(received, 1, 2);
  const int forwardUnit = Digits(received, 3, 1);
  const int forwardCount = Digits(received, 4, 2);
  if (backUnit > local.backUnit) {
    local.backUnit = backUnit;
    local.changed = true;
  } else if (backCount > local.backCount) {
    local.backCount = backCount;
    local.changed = true;
  }
  if (forwardUnit > local.forwardUnit) {
    local.forwardUnit = forwardUnit;
    local.changed = true;
  } else if (forwardCount > local.forwardCount) {
    local.forwardCount = forwardCount;
    local.changed = true;
  }
  return local;
}

std::string GetSynchRange(const Options& options) {
  return FormatSynchRange(static_cast<int>(options.BackUnit), static_cast<int>(options.BackCount),
                          static_cast<int>(options.ForwardUnit), static_cast<int>(options.ForwardCount));
}

void ApplySynchRange(platform::Registry& registry, const std::string& storeId, const std::string& received,
                     Options& options) {
  try {
    const SynchWindow local{static_cast<int>(options.BackUnit), static_cast<int>(options.BackCount),
                            static_cast<int>(options.ForwardUnit), static_cast<int>(options.ForwardCount), false};
    const SynchWindow wide = WidenSynchRange(received, local);
    if (!wide.changed) return;
    options.BackUnit = wide.backUnit;
    options.BackCount = wide.backCount;
    options.ForwardUnit = wide.forwardUnit;
    options.ForwardCount = wide.forwardCount;
    SaveOption(registry, storeId, "BackUnit", options.BackUnit);
    SaveOption(registry, storeId, "BackCount", options.BackCount);
    SaveOption(registry, storeId, "ForwardUnit", options.ForwardUnit);
    SaveOption(registry, storeId, "ForwardCount", options.ForwardCount);
  } catch (...) {
    g_Debug().OutError("mOptions.ApplySynchRange");
  }
}

}  // namespace mOptions
