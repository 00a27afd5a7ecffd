#pragma once
// The trellis-coded modulation codecs of the timecode signal. Each code word is one trellis-coded sequence of
// constellation points, one per data sub-carrier, ending in tail symbols of restricted input that bring the
// encoder back to state 0. Decoding is a Viterbi search over the whole word from state 0, with squared
// Euclidean distances as branch metrics; the final metric of state 0 is the word's error measure.
//
// - C8PSKTCM: 8-PSK with 8 or 16 encoder states, 2 bits per symbol;
// - C16QAMTCM: 16-QAM with 8 or 16 states, 3 bits per symbol;
// - CTable_TCM: any code given as tables of outputs and next states (a 16-state 8-PSK and a 64-state
//   16-QAM code are built from the tables below).
//
// Words are built lowest bits first: main symbol 0's bits are the word's lowest, then main symbol 1's, and
// so on, then (for the codes whose tail carries an uncoded bit) one bit per tail symbol. Tables are sized at
// construction; encoding and decoding allocate nothing. One thread per codec.

#include <cstdint>
#include <memory>
#include <vector>

// What every codec keeps: the transition tables (transition index = branches x state + input), the
// constellation and the two alternating sets of path metrics and survivors of the Viterbi search.
class CTCMCodecBase {
 public:
  CTCMCodecBase() = default;
  CTCMCodecBase(const CTCMCodecBase&) = delete;
  CTCMCodecBase& operator=(const CTCMCodecBase&) = delete;

  bool GetStatus() const { return status; }
  int GetNumStates() const { return numStates; }
  // Zeroes the survivors and metrics.
  void ClearArrays();

 protected:
  // Sizes the tables for numStates x branches transitions and numPoints points.
  void allocate(int states, int branches, int points);
  // Sends the point of transition branches x s + u into I[c], Q[c], moves s on and counts c.
  void emit(long& s, long u, double* I, double* Q, int& c) const;

  // The Viterbi search over one word. start: false (nothing to decode) for an unusable codec or fewer
  // points than tail symbols; otherwise only state 0 is reached. Per symbol: beginSymbol, then relax each
  // transition i from state s with the squared distance of its point (the survivor moves up by shift bits
  // and takes u), then endSymbol. finish copies every state's metric and survivor out and returns the
  // survivor of the best reached state (the first on ties).
  bool start(int count, int tail);
  void beginSymbol();
  void relax(long i, long s, double distance, int shift, uint64_t u) {
    const double m = distance + (*oldMetrics)[s];
    const long n = nextState[i];
    if (m < (*newMetrics)[n]) {
      (*newMetrics)[n] = m;
      (*newSurvivors)[n] = ((*oldSurvivors)[s] << shift) | u;
    }
  }
  void endSymbol();
  bool reached(long s) const;
  uint64_t finish(double* metricsOut, uint64_t* survivorsOut) const;

  int numStates = 0;
  int numTransitions = 0;
  int branches = 0;
  std::vector<uint64_t> survivorsA, survivorsB;
  std::vector<double> metricsA, metricsB;
  std::vector<long> outputLookup, nextState;
  std::vector<double> pointI, pointQ;
  bool status = false;
  std::vector<double>*oldMetrics = &metricsA, *newMetrics = &metricsB;
  std::vector<uint64_t>*oldSurvivors = &survivorsA, *newSurvivors = &survivorsB;
};

class C8PSKTCM : public CTCMCodecBase {
 public:
  // stateBits 3 (8 states) or 4 (16 states); other values leave the codec unusable (GetStatus false).
  explicit C8PSKTCM(unsigned long stateBits);

  // Encodes wordBits bits from the lowest upwards, starting in state: with 16 states ceil(wordBits / 2) main
  // symbols, then tail symbols of input 0; with 8 states (wordBits - tail) / 2 main symbols, then tail
  // symbols each carrying the next bit uncoded. Writes the points and leaves the final state in state.
  void EncodeSequence(uint64_t bits, double* I, double* Q, uint64_t& state, int wordBits, int tail) const;
  // Decodes count received points, of which the last tail are tail symbols; returns the word. metricsOut and
  // survivorsOut (may be null) receive every state's final metric (1e20 or more: not reached) and survivor.
  uint64_t DecodePSKSequence(const double* I, const double* Q, int count, int tail, double* metricsOut,
                             uint64_t* survivorsOut);

 private:
  void CalcOutputLookup();
  void CalcStateTransitionLookup();

  long stateBits;
};

class C16QAMTCM : public CTCMCodecBase {
 public:
  // stateBits 3 (8 states) or 4 (16 states).
  explicit C16QAMTCM(unsigned long stateBits);

  // (wordBits - tail) / 3 main symbols of 3 bits, then tail symbols each carrying one bit uncoded.
  void EncodeSequence(uint64_t bits, double* I, double* Q, uint64_t& state, int wordBits, int tail) const;
  uint64_t DecodeQAMSequence(const double* I, const double* Q, int count, int tail, double* metricsOut,
                             uint64_t* survivorsOut);

 private:
  long stateBits;
};

class CTable_TCM : public CTCMCodecBase {
 public:
  // numStates x branches transitions; branches a power of two.
  CTable_TCM(int numPoints, int numStates, int branches, const double* pointI, const double* pointQ,
             const long* outputTable, const long* nextTable);

  // Always starts in state 0 (state only receives the final state): log2(branches) bits per main symbol while
  // fewer than wordBits bits have been taken, then tail symbols of input 0.
  void EncodeSequence(uint64_t bits, double* I, double* Q, uint64_t& state, int wordBits, int tail) const;
  uint64_t DecodeSequence(const double* I, const double* Q, int count, int tail, double* metricsOut,
                          uint64_t* survivorsOut);

 private:
  int bitsPerSymbol = 0;
  std::vector<double> distance;
};

// The two table codes: a 16-state 8-PSK code (4 branches, 2 bits per symbol) and a 64-state 16-QAM code
// (8 branches, 3 bits).
std::unique_ptr<CTable_TCM> makeTable8PSK16StateCodec();
std::unique_ptr<CTable_TCM> makeTable16QAM64StateCodec();
