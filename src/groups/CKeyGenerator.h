#pragma once
// CKeyGenerator: the one source of the 23-character keys of the add-in
// (groups, members, pending actions, items, page instances), in the shape
// "64522606-20060213141359": eight digits 0..8, a hyphen and the local time of
// creation. The connection class's GetHtmlID hands these keys out; the group
// model takes them from the process-wide generator. Its clock and its random
// source are injectable so that tests can fix both.
#include <functional>
#include <random>
#include <string>
#include <unordered_set>

#include "platform/Clock.h"

class CKeyGenerator {
 public:
  using Random = std::function<double()>;  // uniform in [0, 1)

  // A generator on `clock` (which must outlive it) with a Mersenne twister
  // seeded from that clock.
  explicit CKeyGenerator(const platform::Clock& clock);
  // A generator on `clock` and the given random source (tests).
  CKeyGenerator(const platform::Clock& clock, Random random);

  // A new key: each of the eight digits is floor(9 * random), so 9 never
  // occurs; then "-" and yyyymmddhhnnss of the clock's local time. Two keys
  // within one second differ only in the digits, and a generator never hands
  // out the same key twice: a bulk import makes thousands of ids in one
  // second, where eight random digits alone would repeat.
  std::string GetHtmlID();

  // Re-seeds the built-in random source from the clock, as the add-in does
  // once at start-up (no effect on an injected source).
  void Randomize();

 private:
  const platform::Clock& m_clock;
  Random m_random;
  std::mt19937 m_engine;
  bool m_bOwnRandom = false;
  std::string m_strStamp;                    // the time part of the keys below
  std::unordered_set<std::string> m_issued;  // keys handed out within m_strStamp
};

// The process-wide generator. Until the connection class installs its own,
// a stand-in on the real clock serves.
CKeyGenerator& g_KeyGenerator();
// Installs `generator` as the process-wide one (nullptr: back to the
// stand-in). The caller keeps ownership.
void SetGlobalKeyGenerator(CKeyGenerator* generator);
// Shortcut for g_KeyGenerator().GetHtmlID().
std::string NewKey();
