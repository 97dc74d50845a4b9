#include "groups/CKeyGenerator.h"

#include <random>

#include <cmath>
#include <cstdio>

namespace {

CKeyGenerator* g_pInstalled = nullptr;

}  // namespace

CKeyGenerator::CKeyGenerator(const platform::Clock& clock) : m_clock(clock), m_bOwnRandom(true) {
  Randomize();
  m_random = [this] { return std::generate_canonical<double, 32>(m_engine); };
}

CKeyGenerator::CKeyGenerator(const platform::Clock& clock, Random random)
    : m_clock(clock), m_random(std::move(random)) {}

std::string CKeyGenerator::GetHtmlID() {
  platform::Date t = m_clock.Now();
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "-%04d%02d%02d%02d%02d%02d", t.Year(), t.Month(), t.Day(), t.Hour(), t.Minute(),
                t.Second());
  if (m_strStamp != stamp) {
    m_strStamp = stamp;
    m_issued.clear();
  }
  // A repeat is drawn again; a source that cannot vary (a fixed one in tests)
  // gives up after a bounded number of draws rather than spin.
  std::string key;
  for (int attempt = 0; attempt < 64; ++attempt) {
    key.clear();
    for (int i = 0; i < 8; ++i) {
      int digit = static_cast<int>(std::floor(9.0 * m_random()));
      // generate_canonical may round up to 1.0; the key must still not hold a 9.
      if (digit > 8) digit = 8;
      if (digit < 0) digit = 0;
      key += static_cast<char>('0' + digit);
    }
    key += m_strStamp;
    if (m_issued.insert(key).second) break;
  }
  return key;
}

void CKeyGenerator::Randomize() {
  // The time alone would give two processes started in the same second (or
  // two profiles on one virtual clock) the same keys; mix in the system's
  // entropy so keys differ across processes.
  if (m_bOwnRandom) m_engine.seed(static_cast<unsigned>(m_clock.Now().Seconds()) ^ std::random_device{}());
}

CKeyGenerator& g_KeyGenerator() {
  if (g_pInstalled) return *g_pInstalled;
  static platform::RealClock realClock;
  static CKeyGenerator standIn(realClock);
  return standIn;
}

void SetGlobalKeyGenerator(CKeyGenerator* generator) { g_pInstalled = generator; }

std::string NewKey() { return g_KeyGenerator().GetHtmlID(); }
