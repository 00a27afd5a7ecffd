#pragma once
// Analysis windows.

enum TWindowFunctions {
  kWindowRectangular = 0,
  kWindowTriangular = 1,
  kWindowHamming = 2,
  kWindowHann = 3,
  kWindowBlackman = 4,
};

// Fills out[0..n-1] with the window; an unknown kind leaves out unchanged.
// A one-value window of kinds 2 to 4 is 1.0.
void getWindowFunction(float* out, int n, TWindowFunctions kind);
