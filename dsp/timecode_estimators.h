#pragma once
// Estimation blocks of the timecode demodulator: running medians of three and five values that also report
// how far the values in their window spread, a five-point least-squares quadratic smoother that replaces
// outliers, and three estimators that place a spectral peak between transform bins from the complex values of
// the peak bin and its two neighbours. None allocates after construction; one thread per instance.

#include <algorithm>

// A running median over a short window (newest value first). The window starts as zeros, which take part
// while it fills.
template <class T>
class CRunningMedian {
 public:
  virtual ~CRunningMedian() = default;
  // Shifts each of n values into the window and writes the window's median to out[i] (out may be in) and,
  // when spread is not null, its largest minus its smallest value to spread[i].
  virtual void FilterBuff(const T* in, T* out, T* spread, long n) = 0;
  virtual void SetState(const T* values) = 0;
  virtual void GetState(T* values) const = 0;
  virtual void ClearState() = 0;
  virtual long GetStateLen() const = 0;
};

template <class T>
class CThreePointMedian : public CRunningMedian<T> {
 public:
  void FilterBuff(const T* in, T* out, T* spread, long n) override {
    for (long i = 0; i < n; ++i) {
      x2 = x1;
      x1 = x0;
      x0 = in[i];
      if (numDelayElems < 3) ++numDelayElems;
      const T lo = std::min({x0, x1, x2}), hi = std::max({x0, x1, x2});
      out[i] = std::max(std::min(x0, x1), std::min(std::max(x0, x1), x2));
      if (spread != nullptr) spread[i] = hi - lo;
    }
  }
  void SetState(const T* v) override {
    x0 = v[0];
    x1 = v[1];
    x2 = v[2];
  }
  void GetState(T* v) const override {
    v[0] = x0;
    v[1] = x1;
    v[2] = x2;
  }
  void ClearState() override {
    x0 = x1 = x2 = T{};
    numDelayElems = 0;
  }
  long GetStateLen() const override { return 3; }
  T GetMax() const { return std::max({x0, x1, x2}); }
  // How many values have entered since the last clear, up to 3.
  long GetNumDelayElems() const { return numDelayElems; }

 private:
  T x0{}, x1{}, x2{};
  long numDelayElems = 0;
};

template <class T>
class CFivePointMedian : public CRunningMedian<T> {
 public:
  void FilterBuff(const T* in, T* out, T* spread, long n) override {
    for (long i = 0; i < n; ++i) {
      for (int k = 4; k > 0; --k) x[k] = x[k - 1];
      x[0] = in[i];
      T s[5] = {x[0], x[1], x[2], x[3], x[4]};
      std::sort(s, s + 5);
      out[i] = s[2];
      if (spread != nullptr) spread[i] = s[4] - s[0];
    }
  }
  void SetState(const T* v) override { std::copy(v, v + 5, x); }
  void GetState(T* v) const override { std::copy(x, x + 5, v); }
  void ClearState() override { std::fill(x, x + 5, T{}); }
  long GetStateLen() const override { return 5; }

 private:
  T x[5] = {};
};

// A quadratic fitted by least squares to the last five values, evaluated one place ahead: a value further
// than 1 % of the window's mean magnitude from the prediction is an outlier and is replaced by it; eight
// outliers in a row restart the smoother.
class CFivePointLeastSquaresQuadratic {
 public:
  CFivePointLeastSquaresQuadratic() { ClearState(); }
  // out may be in; the third argument is not used.
  void FilterBuff(const double* in, double* out, double* unused, long n);
  void SetState(const double* values) { std::copy(values, values + 5, x); }
  void GetState(double* values) const { std::copy(x, x + 5, values); }
  void ClearState();
  long GetStateLen() const { return 5; }
  double GetMax() const { return *std::max_element(x, x + 5); }
  long GetNumDelayElems() const { return count; }

 private:
  double x[5];
  double a0 = 0, a1 = 0, a2 = 0;
  double tolerance = 0.01;
  long count = 0;
  long t = -3;
};

// Places a spectral peak between bins from the transform values of the peak bin k and of bins k-1 and k+1;
// delta receives the offset of the true peak from k in bins (positive towards k+1).
class CBinTerp {
 public:
  void Algorithm3(double peakRe, double peakIm, double belowRe, double belowIm, double aboveRe,
                  double aboveIm, double& delta) const;
  void Algorithm5(double peakRe, double peakIm, double belowRe, double belowIm, double aboveRe,
                  double aboveIm, double& delta) const;
  void Algorithm4(double peakRe, double peakIm, double belowRe, double belowIm, double aboveRe,
                  double aboveIm, double& delta) const;
  // (a + i b) / (c + i d).
  static void ComplexDivide(double a, double b, double c, double d, double& re, double& im);
};
