#include "gui/zr_waveform_drawing.h"

#include <algorithm>
#include <cmath>

namespace {

// Speeds that would stall or reverse the window (a stopped deck, bad input) are drawn at normal speed.
double usableSpeed(double speed) {
  return speed > 0 && std::isfinite(speed) ? speed : 1.0;
}

}  // namespace

void ZRAdaptiveDrawingContext::setColor(float r, float g, float b, float a) {
  color_ = {r, g, b, a};
  if (dc_ != nullptr) dc_->setPenColor(r, g, b, a);
}

void ZRAdaptiveDrawingContext::setPenWidth(float width) {
  penWidth_ = width;
  if (dc_ != nullptr) dc_->setPenWidth(width);
}

void ZRAdaptiveDrawingContext::addBulkLine(float x1, float y1, float x2, float y2) {
  if (dc_ == nullptr) return;
  if (vertical_) {
    dc_->drawLine(y1, x1, y2, x2);
  } else {
    dc_->drawLine(x1, y1, x2, y2);
  }
}

void resetWaveformPrivateData(ZRWaveformPrivateData* d) {
  if (d != nullptr) *d = ZRWaveformPrivateData();
}

void updateWaveformDisplay(ZRDrawContext* dc, ZRWaveformPrivateData* d) {
  if (dc == nullptr || d == nullptr) return;
  const int N = d->vertical ? d->height : d->width;
  const int C = d->vertical ? d->width : d->height;
  const int half = C / 2;
  const float ampScale = static_cast<float>(half - 2);
  if (d->data == nullptr) {
    d->position = 0;
    d->length = 0;
    d->speed = 1.0;
  }
  const int z = d->zoom < 2 ? 1 : d->zoom;
  const double speed = usableSpeed(d->speed);
  const double raw = static_cast<double>(d->position) / z - d->cursorColumn * speed;
  const double start = std::floor(raw / speed) * speed;
  d->position = static_cast<int>(std::lrint(start));
  d->drawnRemainder = raw - start;
  if (d->length != d->previousLength) d->previousValue = -1.0f;
  d->previousLength = d->length;
  d->drawnSpeed = speed;

  ZRAdaptiveDrawingContext front(dc, static_cast<float>(d->x), static_cast<float>(d->y),
                                 static_cast<float>(d->width), static_cast<float>(d->height), d->vertical);
  dc->beginPath();
  front.setPenWidth(1);
  front.setColor(d->dataColor.r, d->dataColor.g, d->dataColor.b, d->dataColor.a);

  auto emptyColumn = [&](float i) {
    if (d->mode == 1) {
      front.addBulkLine(i, static_cast<float>(C - 1), i, static_cast<float>(C));
    } else if (d->mode == 2) {
      front.addBulkLine(i, 0, i, 1);
    } else {
      front.addBulkLine(i, static_cast<float>(half - 1), i, static_cast<float>(half));
    }
  };

  for (int i = 0; i < N; ++i) {
    const long a = std::lrint((i * speed + start) * z);
    const long b = std::lrint(((i + 1) * speed + start) * z);
    const float column = static_cast<float>(i);
    if (a < 0) {
      emptyColumn(column);
      d->previousValue = 0;
      continue;
    }
    if (b >= d->length) {
      for (int j = i; j < N; ++j) emptyColumn(static_cast<float>(j));
      d->previousValue = 0;
      break;
    }
    float p = d->data[a];
    for (long k = a + 1; k < b; ++k) p = std::max(p, d->data[k]);
    // Two marked columns in a row show as one.
    if (p > 50 && d->previousValue > 50) p = 0;
    const float v = std::max(p, 0.0f);
    float drawn = v > 1 ? (v <= 60 ? 1.0f : 0.75f) : std::min(1.0f, v * d->gain);
    d->previousValue = v;
    const float amp = drawn * ampScale;
    if (d->mode == 1) {
      front.addBulkLine(column, C - (2 * amp + 1), column, static_cast<float>(C));
    } else if (d->mode == 2) {
      front.addBulkLine(column, 0, column, 2 * amp + 1);
    } else {
      front.addBulkLine(column, half - amp - 1, column, half + amp);
    }
  }
  d->lastColumn = N - 1;
  dc->endPath();
  // The columns are whole pixels wide; smoothing would only soften their ends, and a thousand smoothed
  // columns in one path cost several times more to fill than the rest of the frame's drawing.
  dc->setAntialias(false);
  dc->stroke();
  dc->setAntialias(true);
  d->drawnStart = start;
  d->drawnStartInt = d->position;
}

void updateWaveformDisplayExtras(ZRDrawContext* dc, ZRWaveformPrivateData* d) {
  if (dc == nullptr || d == nullptr) return;
  const int N = d->vertical ? d->height : d->width;
  const int C = d->vertical ? d->width : d->height;
  const int z = d->zoom > 0 ? d->zoom : 1;
  d->cuePosition /= z;
  d->loopIn /= z;
  d->loopOut /= z;
  const double start = d->drawnStart;
  const double speed = usableSpeed(d->drawnSpeed);
  ZRAdaptiveDrawingContext front(dc, static_cast<float>(d->x), static_cast<float>(d->y),
                                 static_cast<float>(d->width), static_cast<float>(d->height), d->vertical);
  const float bottom = static_cast<float>(C - 1);

  if (d->cuePosition > 0) {
    const double k = (d->cuePosition - start) / speed;
    if (k >= 1 && k < N) {
      dc->beginPath();
      front.setPenWidth(3);
      front.setColor(d->cueColor.r, d->cueColor.g, d->cueColor.b, 0.75f);
      front.addBulkLine(static_cast<float>(k), 0, static_cast<float>(k), bottom);
      dc->stroke();
    }
  }

  if (d->looping != 0 || d->loopStartPending != 0) {
    dc->beginPath();
    front.setPenWidth(2);
    front.setColor(d->loopColor.r, d->loopColor.g, d->loopColor.b, 0.75f);
    auto bracket = [&](int position, float towards) {
      const double k = (position - start) / speed;
      if (!(k >= 1 && k < N)) return;
      const float c = static_cast<float>(std::floor(k));
      front.addBulkLine(c, 0, c, bottom);
      front.addBulkLine(c, 1, c + towards, 1);
      front.addBulkLine(c, static_cast<float>(C - 2), c + towards, static_cast<float>(C - 2));
    };
    bracket(d->loopIn, 3);
    if (d->loopStartPending == 0) bracket(d->loopOut, -3);
    dc->stroke();
  }

  if (d->cursorHidden == 0) {
    dc->beginPath();
    front.setPenWidth(2.5f);
    front.setColor(d->cursorColor.r, d->cursorColor.g, d->cursorColor.b, 0.75f);
    const float c = static_cast<float>(d->cursorColumn);
    front.addBulkLine(c, 0, c, bottom);
    dc->stroke();
  }
}

void DrawDataLineH_Quartz(ZRDrawContext* dc, int x1, int y1, int x2, int y2) {
  if (dc != nullptr)
    dc->drawLine(static_cast<float>(x1), static_cast<float>(y1), static_cast<float>(x2),
                 static_cast<float>(y2));
}

void DrawDataLineV_Quartz(ZRDrawContext* dc, int x1, int y1, int x2, int y2) {
  DrawDataLineH_Quartz(dc, y1, x1, y2, x2);
}

namespace {

// The largest magnitude below 2 among peaks[from .. to - 1] (0 when none); 2 and more are markers.
float largestBelowTwo(const float* peaks, int count, long from, long to) {
  float best = 0;
  for (long j = std::max(0L, from); j < to && j < count; ++j) {
    const float m = std::fabs(peaks[j]);
    if (m < 2 && m > best) best = m;
  }
  return best;
}

}  // namespace

void updateWholeWaveformDisplay(ZRDrawContext* dc, int width, int height, const float* peaks, int count,
                                float r, float g, float b, float a, float gain) {
  if (dc == nullptr) return;
  if (width > height) {
    updateWholeWaveformDisplayTestMac(dc, width, height, peaks, count, r, g, b, a, gain);
    return;
  }
  dc->setPenWidth(1);
  dc->setPenColor(r, g, b, a);
  dc->clear();
  dc->beginPath();
  const int L = std::max(width, height), S = std::min(width, height), A = S - 2;
  if (peaks == nullptr || count <= 0 || L < 3 || A < 1) return;
  const double slice = static_cast<double>(count) / (L - 1);
  double sum = 0;
  for (int i = 1; i <= L - 2; ++i) {
    const float peak = largestBelowTwo(peaks, count, lrintf(static_cast<float>(sum)),
                                       lrintf(static_cast<float>(sum + slice)));
    sum += slice;
    const int len = std::clamp(static_cast<int>(lrintf(peak * gain * A)), 1, A);
    const int top = (A - len) / 2 + 1;
    if (height > width) {
      DrawDataLineV_Quartz(dc, i, top, i, top + len);
    } else {
      DrawDataLineH_Quartz(dc, i, top, i, top + len);
    }
  }
  dc->stroke();
}

void updateWholeWaveformDisplayTestMac(ZRDrawContext* dc, int width, int height, const float* peaks,
                                       int count, float r, float g, float b, float a, float gain) {
  if (dc == nullptr) return;
  dc->setPenWidth(1);
  dc->setPenColor(r, g, b, a / 4);
  dc->clear();
  if (peaks == nullptr || count <= 0) return;
  const int n = 8 * std::max(width, height);
  const int A = std::min(width, height) - 2;
  if (n < 3 || A < 1) return;
  const double slice = static_cast<double>(count) / (n - 1);
  double sum = 0;
  for (int i = 1; i <= n - 2; ++i) {
    const long from = lrintf(static_cast<float>(sum)), to = lrintf(static_cast<float>(sum + slice));
    sum += slice;
    double total = 0;
    for (long j = std::max(0L, from); j < to && j < count; ++j) {
      const float m = std::fabs(peaks[j]);
      if (m < 2) total += m;
    }
    const int len = std::clamp(static_cast<int>(lrintf(static_cast<float>(total / slice * gain * A))), 1, A);
    const int top = (A - len) / 2 + 1;
    const float x = static_cast<float>(i) / 8.0f;
    dc->beginPath();
    dc->drawLine(x, static_cast<float>(top), x, static_cast<float>(top + len));
    dc->stroke();
  }
}
