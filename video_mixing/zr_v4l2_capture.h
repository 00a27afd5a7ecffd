#pragma once
// Live capture from the system's video capture devices (Video4Linux2): the discovery the video output
// gives its live-capture object, and one device. The discovery looks at /dev/video0 to /dev/video63 once
// and hands every device that captures video by streaming to the owner in that order. A device asks for
// UYVY at the owner's size and rate; the driver may settle on another size or format, which the frames
// then carry (formats the owner does not convert are refused at the start). Frames are read from mapped
// buffers on the device's thread ("liveVideoV4L2"), each poll bounded, and handed to the owner with their
// row stride. V4L2 carries no sound: the card's sound, where it has one, is an ALSA device of its own.
//
// Threads: see zr_capture_device.h; the discovery runs on the owner's discovery thread.

#include "video_mixing/zr_capture_device.h"

class ZRLiveVideoCapture;

// Looks for devices and hands them to owner (owner->deviceArrived).
void discoverV4L2CaptureDevices(ZRLiveVideoCapture* owner);
