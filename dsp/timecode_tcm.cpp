#include "dsp/timecode_tcm.h"

#include <algorithm>

namespace {

constexpr double kUnreached = 1e20;
constexpr double kDiag7 = 0.7071068;  // the 8-PSK diagonal as the code has always written it

inline long bit(long v, int b) {
  return (v >> b) & 1;
}

// The lowest `bits` bits of v in reverse order.
inline long reverseBits(long v, int bits) {
  long r = 0;
  for (int b = 0; b < bits; ++b) r |= bit(v, b) << (bits - 1 - b);
  return r;
}

// Squared distances from the received point to every constellation point.
inline void distances(double i, double q, const double* pi, const double* pq, int n, double* d) {
  for (int j = 0; j < n; ++j) d[j] = (q - pq[j]) * (q - pq[j]) + (i - pi[j]) * (i - pi[j]);
}

// Puts the survivor's main groups of `bits` bits (oldest highest) into word order (oldest lowest).
uint64_t mainGroupsToWord(uint64_t w, int groups, int bits) {
  uint64_t word = 0;
  const uint64_t mask = (uint64_t{1} << bits) - 1;
  for (int c = 0; c < groups; ++c) word |= ((w >> (bits * (groups - 1 - c))) & mask) << (bits * c);
  return word;
}

// The survivor of a code whose tail symbols carry one uncoded bit each: the main groups, then the tail bits
// with the first tail symbol's bit lowest.
uint64_t wordWithTailBits(uint64_t w, int groups, int bits, int tail) {
  uint64_t tailBits = 0;
  for (int t = 0; t < tail; ++t) tailBits |= ((w >> (tail - 1 - t)) & 1) << t;
  return mainGroupsToWord(w >> tail, groups, bits) | (tailBits << (bits * groups));
}

}  // namespace

// ---------------------------------------------------------------------------
// CTCMCodecBase

void CTCMCodecBase::allocate(int states, int branchCount, int points) {
  numStates = states;
  branches = branchCount;
  numTransitions = states * branchCount;
  survivorsA.assign(numStates, 0);
  survivorsB.assign(numStates, 0);
  metricsA.assign(numStates, 0.0);
  metricsB.assign(numStates, 0.0);
  outputLookup.assign(numTransitions, 0);
  nextState.assign(numTransitions, 0);
  pointI.assign(points, 0.0);
  pointQ.assign(points, 0.0);
}

void CTCMCodecBase::ClearArrays() {
  std::fill(survivorsA.begin(), survivorsA.end(), 0);
  std::fill(survivorsB.begin(), survivorsB.end(), 0);
  std::fill(metricsA.begin(), metricsA.end(), 0.0);
  std::fill(metricsB.begin(), metricsB.end(), 0.0);
}

bool CTCMCodecBase::start(int count, int tail) {
  if (!status || count <= 0 || tail < 0 || count < tail) return false;
  ClearArrays();
  oldMetrics = &metricsA;
  newMetrics = &metricsB;
  oldSurvivors = &survivorsA;
  newSurvivors = &survivorsB;
  std::fill(metricsA.begin(), metricsA.end(), kUnreached);
  metricsA[0] = 0.0;
  return true;
}

void CTCMCodecBase::beginSymbol() {
  std::fill(newMetrics->begin(), newMetrics->end(), kUnreached);
}

void CTCMCodecBase::endSymbol() {
  std::swap(oldMetrics, newMetrics);
  std::swap(oldSurvivors, newSurvivors);
}

bool CTCMCodecBase::reached(long s) const {
  return (*oldMetrics)[s] < kUnreached;
}

uint64_t CTCMCodecBase::finish(double* metricsOut, uint64_t* survivorsOut) const {
  if (metricsOut != nullptr) std::copy(oldMetrics->begin(), oldMetrics->end(), metricsOut);
  if (survivorsOut != nullptr) std::copy(oldSurvivors->begin(), oldSurvivors->end(), survivorsOut);
  int best = 0;
  double m = kUnreached;
  for (int s = 0; s < numStates; ++s) {
    if ((*oldMetrics)[s] < m) {
      m = (*oldMetrics)[s];
      best = s;
    }
  }
  return (*oldSurvivors)[best];
}

void CTCMCodecBase::emit(long& s, long u, double* I, double* Q, int& c) const {
  const long i = branches * s + u;
  I[c] = pointI[outputLookup[i]];
  Q[c] = pointQ[outputLookup[i]];
  s = nextState[i];
  ++c;
}

// ---------------------------------------------------------------------------
// C8PSKTCM

C8PSKTCM::C8PSKTCM(unsigned long bits) : stateBits(static_cast<long>(bits)) {
  if (bits != 3 && bits != 4) return;
  allocate(1 << bits, 4, 8);
  CalcOutputLookup();
  CalcStateTransitionLookup();
  if (numStates == 16) {
    // Points j at j x 45 degrees.
    const double i16[8] = {1, kDiag7, 0, -kDiag7, -1, -kDiag7, 0, kDiag7};
    const double q16[8] = {0, kDiag7, 1, kDiag7, 0, -kDiag7, -1, -kDiag7};
    pointI.assign(i16, i16 + 8);
    pointQ.assign(q16, q16 + 8);
  } else {
    const double i8[8] = {1, -1, kDiag7, -kDiag7, -kDiag7, kDiag7, 0, 0};
    const double q8[8] = {0, 0, kDiag7, -kDiag7, kDiag7, -kDiag7, 1, -1};
    pointI.assign(i8, i8 + 8);
    pointQ.assign(q8, q8 + 8);
  }
  status = true;
}

void C8PSKTCM::CalcOutputLookup() {
  for (long i = 0; i < numTransitions; ++i) {
    const long s = i >> 2, u0 = bit(i, 0), u1 = bit(i, 1);
    if (numStates == 16) {
      outputLookup[i] = bit(s, 1) + 2 * (u0 ^ bit(s, 3)) + 4 * (u1 ^ bit(s, 0) ^ bit(s, 2));
    } else {
      outputLookup[i] = u0 + 2 * (u1 ^ bit(s, 0) ^ bit(s, 1) ^ bit(s, 2)) + 4 * (u1 ^ bit(s, 0) ^ bit(s, 2));
    }
  }
}

void C8PSKTCM::CalcStateTransitionLookup() {
  for (long i = 0; i < numTransitions; ++i) nextState[i] = numStates == 16 ? (i & 15) : ((i >> 1) & 7);
}

void C8PSKTCM::EncodeSequence(uint64_t bits, double* I, double* Q, uint64_t& state, int wordBits,
                              int tail) const {
  if (!status) return;
  const bool sixteen = numStates == 16;
  const int mainCount = sixteen ? (wordBits + 1) / 2 : (wordBits - tail) / 2;
  long s = static_cast<long>(state) & (numStates - 1);
  int c = 0;
  for (int k = 0; k < mainCount; ++k) {
    emit(s, static_cast<long>(bits & 3), I, Q, c);
    bits >>= 2;
  }
  for (int t = 0; t < tail; ++t) {
    emit(s, sixteen ? 0 : static_cast<long>(bits & 1), I, Q, c);
    if (!sixteen) bits >>= 1;
  }
  state = static_cast<uint64_t>(s);
}

uint64_t C8PSKTCM::DecodePSKSequence(const double* I, const double* Q, int count, int tail,
                                     double* metricsOut, uint64_t* survivorsOut) {
  if (!start(count, tail)) return 0;
  const bool sixteen = numStates == 16;
  const long stateMask = numStates - 1;
  double d[8];
  const int mainCount = count - tail;
  int reach = 4;
  for (int c = 0; c < mainCount; ++c) {
    beginSymbol();
    distances(I[c], Q[c], pointI.data(), pointQ.data(), 8, d);
    for (int i = 0; i < reach; ++i) relax(i, (i >> 2) & stateMask, d[outputLookup[i]], 2, i & 3);
    reach = std::min(reach * (sixteen ? 4 : 2), numTransitions);
    endSymbol();
  }
  // Tail: only the inputs that lead back towards state 0; the reachable states are enumerated by their bits
  // in reverse order.
  reach /= sixteen ? 4 : 2;
  for (int c = mainCount; c < count; ++c) {
    beginSymbol();
    distances(I[c], Q[c], pointI.data(), pointQ.data(), 8, d);
    for (int r = 0; r < reach; ++r) {
      const long s = sixteen ? reverseBits(r, 4) : reverseBits(r >> 1, 3);
      const long u = sixteen ? 0 : (r & 1);
      relax(4 * s + u, s, d[outputLookup[4 * s + u]], sixteen ? 2 : 1, static_cast<uint64_t>(u));
    }
    reach /= sixteen ? 4 : 2;
    endSymbol();
  }
  const uint64_t w = finish(metricsOut, survivorsOut);
  if (sixteen) return mainGroupsToWord(w >> (2 * tail), mainCount, 2);
  return wordWithTailBits(w, mainCount, 2, tail);
}

// ---------------------------------------------------------------------------
// C16QAMTCM

C16QAMTCM::C16QAMTCM(unsigned long bits) : stateBits(static_cast<long>(bits)) {
  if (bits != 3 && bits != 4) return;
  allocate(1 << bits, 8, 16);
  for (long i = 0; i < numTransitions; ++i) {
    const long s = i >> 3, u0 = bit(i, 0), u1 = bit(i, 1), u2 = bit(i, 2);
    if (numStates == 16) {
      nextState[i] = (i >> 1) & 15;
      outputLookup[i] = u0 + 2 * (u2 ^ bit(s, 0) ^ bit(s, 2)) + 4 * (bit(s, 3) ^ u1) + 8 * bit(s, 1);
    } else {
      nextState[i] = ((i >> 1) & 3) | ((i >> 2) & 4);
      outputLookup[i] = u0 + 2 * (u2 ^ bit(s, 0)) + 4 * (bit(s, 2) ^ u1) + 8 * bit(s, 1);
    }
  }
  const int qi[16] = {1, -3, -3, 1, 3, -1, -1, 3, -1, 3, 3, -1, -3, 1, 1, -3};
  const int qq[16] = {-1, 3, -1, 3, -3, 1, -3, 1, -1, 3, -1, 3, -3, 1, -3, 1};
  for (int j = 0; j < 16; ++j) {
    pointI[j] = qi[j] / 3.0;
    pointQ[j] = qq[j] / 3.0;
  }
  status = true;
}

void C16QAMTCM::EncodeSequence(uint64_t bits, double* I, double* Q, uint64_t& state, int wordBits,
                               int tail) const {
  if (!status) return;
  long s = static_cast<long>(state) & (numStates - 1);
  int c = 0;
  for (int k = 0; k < (wordBits - tail) / 3; ++k) {
    emit(s, static_cast<long>(bits & 7), I, Q, c);
    bits >>= 3;
  }
  for (int t = 0; t < tail; ++t) {
    emit(s, static_cast<long>(bits & 1), I, Q, c);
    bits >>= 1;
  }
  state = static_cast<uint64_t>(s);
}

uint64_t C16QAMTCM::DecodeQAMSequence(const double* I, const double* Q, int count, int tail,
                                      double* metricsOut, uint64_t* survivorsOut) {
  if (!start(count, tail)) return 0;
  double d[16];
  const int mainCount = count - tail;
  for (int c = 0; c < count; ++c) {
    const bool inTail = c >= mainCount;
    beginSymbol();
    distances(I[c], Q[c], pointI.data(), pointQ.data(), 16, d);
    // Every state a path has entered is extended; tail symbols carry only the uncoded bit.
    for (long s = 0; s < numStates; ++s) {
      if (!reached(s)) continue;
      for (long u = 0; u < (inTail ? 2 : 8); ++u) {
        relax(8 * s + u, s, d[outputLookup[8 * s + u]], inTail ? 1 : 3, static_cast<uint64_t>(u));
      }
    }
    endSymbol();
  }
  return wordWithTailBits(finish(metricsOut, survivorsOut), mainCount, 3, tail);
}

// ---------------------------------------------------------------------------
// CTable_TCM

CTable_TCM::CTable_TCM(int points, int states, int branchCount, const double* pi, const double* pq,
                       const long* outputTable, const long* nextTable) {
  if (points <= 0 || states <= 0 || branchCount <= 0 || (branchCount & (branchCount - 1)) != 0) return;
  allocate(states, branchCount, points);
  while ((1 << bitsPerSymbol) < branches) ++bitsPerSymbol;
  outputLookup.assign(outputTable, outputTable + numTransitions);
  nextState.assign(nextTable, nextTable + numTransitions);
  pointI.assign(pi, pi + points);
  pointQ.assign(pq, pq + points);
  distance.assign(points, 0.0);
  status = true;
}

void CTable_TCM::EncodeSequence(uint64_t bits, double* I, double* Q, uint64_t& state, int wordBits,
                                int tail) const {
  if (!status) return;
  long s = 0;
  int c = 0;
  for (int taken = 0; taken < wordBits; taken += bitsPerSymbol) {
    emit(s, static_cast<long>(bits & static_cast<uint64_t>(branches - 1)), I, Q, c);
    bits >>= bitsPerSymbol;
  }
  for (int t = 0; t < tail; ++t) emit(s, 0, I, Q, c);
  state = static_cast<uint64_t>(s);
}

uint64_t CTable_TCM::DecodeSequence(const double* I, const double* Q, int count, int tail, double* metricsOut,
                                    uint64_t* survivorsOut) {
  if (!start(count, tail)) return 0;
  const int mainCount = count - tail;
  const long inputMask = branches - 1;
  int reach = branches;
  for (int c = 0; c < count; ++c) {
    beginSymbol();
    distances(I[c], Q[c], pointI.data(), pointQ.data(), static_cast<int>(pointI.size()), distance.data());
    if (c < mainCount) {
      for (long i = 0; i < reach; ++i) {
        relax(i, i >> bitsPerSymbol, distance[outputLookup[i]], bitsPerSymbol,
              static_cast<uint64_t>(i & inputMask));
      }
      reach = std::min(reach * branches, numTransitions);
    } else {
      // Tail symbols take input 0 from every state a path has reached. (Counting states 0 .. reach - 1 here
      // would miss the reachable ones: input 0 leads to multiples of the branch count, not to low numbers.)
      for (long s = 0; s < numStates; ++s) {
        if (reached(s)) relax(branches * s, s, distance[outputLookup[branches * s]], bitsPerSymbol, 0);
      }
    }
    endSymbol();
  }
  return mainGroupsToWord(finish(metricsOut, survivorsOut) >> (bitsPerSymbol * tail), mainCount,
                          bitsPerSymbol);
}

// ---------------------------------------------------------------------------
// The table codes

std::unique_ptr<CTable_TCM> makeTable8PSK16StateCodec() {
  constexpr double kDiag = 0.7071067811865476;
  const double pi[8] = {1, kDiag, 0, -kDiag, -1, -kDiag, 0, kDiag};
  const double pq[8] = {0, kDiag, 1, kDiag, 0, -kDiag, -1, -kDiag};
  long state2output[64], next[64];
  for (long i = 0; i < 64; ++i) {
    const long s = i >> 2, u0 = bit(i, 0), u1 = bit(i, 1);
    state2output[i] = bit(s, 0) + 2 * (u1 ^ bit(s, 2)) + 4 * (u0 ^ bit(s, 1) ^ bit(s, 3));
    next[i] = i & 15;
  }
  return std::make_unique<CTable_TCM>(8, 16, 4, pi, pq, state2output, next);
}

std::unique_ptr<CTable_TCM> makeTable16QAM64StateCodec() {
  static constexpr long kSegment1[128] = {0,  8,  4,  12, 2,  10, 6,  14, 1,  9,  5,  13, 3,  11, 7,  15,  //
                                          8,  0,  12, 4,  10, 2,  14, 6,  9,  1,  13, 5,  11, 3,  15, 7,   //
                                          4,  12, 6,  14, 0,  8,  2,  10, 5,  13, 7,  15, 1,  9,  3,  11,  //
                                          12, 4,  14, 6,  8,  0,  10, 2,  13, 5,  15, 7,  9,  1,  11, 3,   //
                                          2,  10, 0,  8,  6,  14, 4,  12, 3,  11, 1,  9,  7,  15, 5,  13,  //
                                          10, 2,  8,  0,  14, 6,  12, 4,  11, 3,  9,  1,  15, 7,  13, 5,   //
                                          6,  14, 2,  10, 4,  12, 0,  8,  7,  15, 3,  11, 5,  13, 1,  9,   //
                                          14, 6,  10, 2,  12, 4,  8,  0,  15, 7,  11, 3,  13, 5,  9,  1};
  // The four blocks of 128 outputs take segment1's eight groups of 16 in these orders.
  static constexpr int kBlockGroups[4][8] = {
      {0, 1, 2, 3, 4, 5, 6, 7}, {1, 0, 3, 2, 5, 4, 7, 6}, {7, 6, 5, 4, 3, 2, 1, 0}, {6, 7, 4, 5, 2, 3, 0, 1}};
  const int real[16] = {1, -1, 3, -3, -3, 3, -1, 1, -3, 3, -1, 1, 1, -1, 3, -3};
  const int imag[16] = {-1, -1, -3, -3, -1, -1, -3, -3, 3, 3, 1, 1, 3, 3, 1, 1};
  double pi[16], pq[16];
  for (int j = 0; j < 16; ++j) {
    pi[j] = real[j] / 3.0;
    pq[j] = imag[j] / 3.0;
  }
  long output[512], next[512];
  for (long i = 0; i < 512; ++i) {
    const long block = i / 128, group = (i % 128) / 16;
    output[i] = kSegment1[kBlockGroups[block][group] * 16 + i % 16];
    next[i] = i & 63;
  }
  return std::make_unique<CTable_TCM>(16, 64, 8, pi, pq, output, next);
}
