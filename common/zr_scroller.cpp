#include "common/zr_scroller.h"

#include <algorithm>

CZRScroller::CZRScroller(int mode) : mode_(mode) {}

void CZRScroller::SetDisplaySize(double n) {
  displaySize_ = std::max(1.0, n);
}

void CZRScroller::SetSliderSizes(double track, double minSlider) {
  minSliderSize_ = std::max(1.0, minSlider);
  trackSize_ = std::max(2.0, track);
  if (trackSize_ <= minSliderSize_) trackSize_ = minSliderSize_ + 1;
}

void CZRScroller::SetDataSize(double n) {
  dataSize_ = std::max(0.0, n);
}

void CZRScroller::SetDataOffset(double offset) {
  dataOffset_ = offset;
  positionSetLast_ = 0;
}

void CZRScroller::SetSliderPos(double pos) {
  sliderPos_ = pos;
  positionSetLast_ = 1;
}

void CZRScroller::GetCalculations(double& size, double& pos, double& offset) {
  const double track = trackSize_;
  const double data = dataSize_;
  const double visible = displaySize_;
  // The largest data offset the slider reaches.
  const double maxOffset = data - visible + 1;

  double sliderSize = track;
  if (data > 0) sliderSize = std::min(track, std::max(minSliderSize_, visible * track / data));
  sliderSize_ = sliderSize;
  const double freeTrack = track - sliderSize;

  if (positionSetLast_ != 0) {
    const double p = std::min(freeTrack, std::max(0.0, sliderPos_));
    sliderPos_ = p;
    dataOffset_ = freeTrack > 0 ? std::max(0.0, maxOffset) * p / freeTrack : 0;
  } else {
    double o;
    if (mode_ != 0) {
      // The lower limit wins should the data be too short for both.
      o = std::max(1 - visible, std::min(data - 1, dataOffset_));
    } else {
      o = std::max(0.0, std::min(std::max(0.0, maxOffset), dataOffset_));
    }
    dataOffset_ = o;
    if (o > 0) {
      sliderPos_ = maxOffset > 0 ? std::min(freeTrack, std::max(0.0, o * freeTrack / maxOffset)) : 0;
    } else {
      sliderPos_ = 0;
    }
  }
  size = sliderSize_;
  pos = sliderPos_;
  offset = dataOffset_;
}
