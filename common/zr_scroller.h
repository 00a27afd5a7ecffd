#pragma once
// CZRScroller: the model of one scroll bar, in doubles. The list control sets
// the sizes and either the slider position or the data offset, and
// GetCalculations derives the other one together with the slider's length.
// One thread per object (its list control).

class CZRScroller {
 public:
  // mode non-zero lets the data offset run past both ends (from 1 - display
  // size to data size - 1); mode 0 keeps it within 0 .. data size - display size + 1.
  explicit CZRScroller(int mode);

  // Data units visible at once (at least 1).
  void SetDisplaySize(double n);
  // Track length (at least 2 and above the slider minimum) and the shortest
  // slider (at least 1), in track units.
  void SetSliderSizes(double track, double minSlider);
  // Total data units (at least 0).
  void SetDataSize(double n);
  // The first visible data unit; the slider follows at the next calculation.
  void SetDataOffset(double offset);
  // The slider position in track units; the data offset follows at the next calculation.
  void SetSliderPos(double pos);

  // Derives slider size, slider position and data offset from what was set
  // last, stores them and returns them.
  void GetCalculations(double& size, double& pos, double& offset);

  double GetSliderCurrentSize() const { return sliderSize_; }
  double GetSliderCurrentPos() const { return sliderPos_; }
  double GetDataCurrentOffset() const { return dataOffset_; }

 private:
  int mode_;
  int positionSetLast_ = 1;  // 1 slider position set last, 0 data offset
  double displaySize_ = 100;
  double minSliderSize_ = 10;
  double trackSize_ = 100;
  double sliderSize_ = 10;
  double sliderPos_ = 0;
  double dataSize_ = 100;
  double dataOffset_ = 0;
};
