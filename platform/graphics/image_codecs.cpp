#include "platform/graphics/image_codecs.h"

#include <gif_lib.h>
#include <png.h>
#include <setjmp.h>
#include <tiffio.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>

// libjpeg's header needs stdio's FILE first.
#include <jerror.h>
#include <jpeglib.h>

namespace {

bool withinBudget(int64_t width, int64_t height, int64_t alreadyTaken, int64_t budget) {
  if (width <= 0 || height <= 0) return false;
  if (width > budget || height > budget) return false;
  return width * height <= budget - alreadyTaken;
}

// Sizes the pixel memory of a frame; false when memory cannot be had.
bool allocate(DecodedImageFrame& frame, int width, int height) {
  frame.width = width;
  frame.height = height;
  try {
    frame.rgba.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, 0);
  } catch (const std::bad_alloc&) {
    frame.rgba.clear();
    return false;
  }
  return true;
}

// ---- PNG ---------------------------------------------------------------------------------------------

ImageDecodeResult decodePng(const uint8_t* data, size_t size, const ImageDecodeOptions& options,
                            DecodedImage& out) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data, size)) return ImageDecodeResult::Corrupt;
  if (!withinBudget(image.width, image.height, 0, options.pixelBudget)) {
    png_image_free(&image);
    return ImageDecodeResult::TooLarge;
  }
  DecodedImageFrame frame;
  frame.hasAlpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
  if (!allocate(frame, static_cast<int>(image.width), static_cast<int>(image.height))) {
    png_image_free(&image);
    return ImageDecodeResult::OutOfMemory;
  }
  image.format = PNG_FORMAT_RGBA;
  if (!png_image_finish_read(&image, nullptr, frame.rgba.data(), 0, nullptr)) {
    png_image_free(&image);
    return ImageDecodeResult::Corrupt;
  }
  out.width = frame.width;
  out.height = frame.height;
  out.frames.push_back(std::move(frame));
  return ImageDecodeResult::Ok;
}

// ---- JPEG --------------------------------------------------------------------------------------------

struct JpegErrors {
  jpeg_error_mgr manager;
  jmp_buf jump;
  bool cutShort;
};

void jpegFail(j_common_ptr cinfo) {
  longjmp(reinterpret_cast<JpegErrors*>(cinfo->err)->jump, 1);
}

// Warnings are quiet; only a file that ends early matters (the rest of the picture would be grey).
void jpegMessage(j_common_ptr cinfo, int level) {
  if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF)
    reinterpret_cast<JpegErrors*>(cinfo->err)->cutShort = true;
}

// Converts one decoded row to RGBA. CMYK rows come from Adobe files, which store the inks inverted.
void jpegRowToRgba(const uint8_t* row, int width, J_COLOR_SPACE space, uint8_t* rgba) {
  for (int x = 0; x < width; ++x) {
    if (space == JCS_CMYK) {
      const int c = row[4 * x], m = row[4 * x + 1], y = row[4 * x + 2], k = row[4 * x + 3];
      rgba[4 * x] = static_cast<uint8_t>(c * k / 255);
      rgba[4 * x + 1] = static_cast<uint8_t>(m * k / 255);
      rgba[4 * x + 2] = static_cast<uint8_t>(y * k / 255);
    } else {
      std::memcpy(rgba + 4 * x, row + 4 * x, 3);
    }
    rgba[4 * x + 3] = 255;
  }
}

// The decompressor lives in the caller's frame so that nothing with a destructor is skipped by the
// error jump.
ImageDecodeResult decodeJpegInto(jpeg_decompress_struct& cinfo, JpegErrors& errors, const uint8_t* data,
                                 size_t size, const ImageDecodeOptions& options, DecodedImageFrame& frame,
                                 std::vector<uint8_t>& row) {
  if (setjmp(errors.jump)) return ImageDecodeResult::Corrupt;
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) return ImageDecodeResult::Corrupt;
  if (!withinBudget(cinfo.image_width, cinfo.image_height, 0, options.pixelBudget)) {
    return ImageDecodeResult::TooLarge;
  }
  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGBX;
  if (options.atLeastWidth > 0 && options.atLeastHeight > 0) {
    unsigned denom = 8;
    while (denom > 1 && (cinfo.image_width / denom < static_cast<unsigned>(options.atLeastWidth) ||
                         cinfo.image_height / denom < static_cast<unsigned>(options.atLeastHeight))) {
      denom /= 2;
    }
    cinfo.scale_num = 1;
    cinfo.scale_denom = denom;
  }
  jpeg_start_decompress(&cinfo);
  if (!allocate(frame, static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height))) {
    return ImageDecodeResult::OutOfMemory;
  }
  try {
    row.resize(static_cast<size_t>(cinfo.output_width) * 4);
  } catch (const std::bad_alloc&) {
    return ImageDecodeResult::OutOfMemory;
  }
  while (cinfo.output_scanline < cinfo.output_height) {
    const JDIMENSION y = cinfo.output_scanline;
    JSAMPROW rows[1] = {row.data()};
    if (jpeg_read_scanlines(&cinfo, rows, 1) != 1) return ImageDecodeResult::Corrupt;
    jpegRowToRgba(row.data(), frame.width, cinfo.out_color_space,
                  frame.rgba.data() + static_cast<size_t>(y) * frame.width * 4);
  }
  if (errors.cutShort) return ImageDecodeResult::Corrupt;
  jpeg_finish_decompress(&cinfo);
  return errors.cutShort ? ImageDecodeResult::Corrupt : ImageDecodeResult::Ok;
}

ImageDecodeResult decodeJpeg(const uint8_t* data, size_t size, const ImageDecodeOptions& options,
                             DecodedImage& out) {
  jpeg_decompress_struct cinfo;
  std::memset(&cinfo, 0, sizeof cinfo);
  JpegErrors errors;
  std::memset(&errors, 0, sizeof errors);
  cinfo.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = jpegFail;
  errors.manager.emit_message = jpegMessage;
  errors.cutShort = false;
  DecodedImageFrame frame;
  std::vector<uint8_t> row;
  ImageDecodeResult result = decodeJpegInto(cinfo, errors, data, size, options, frame, row);
  jpeg_destroy_decompress(&cinfo);
  if (result != ImageDecodeResult::Ok) return result;
  out.width = frame.width;
  out.height = frame.height;
  out.frames.push_back(std::move(frame));
  return ImageDecodeResult::Ok;
}

// ---- GIF ---------------------------------------------------------------------------------------------

struct MemoryReader {
  const uint8_t* data;
  size_t size;
  size_t pos;
};

int gifRead(GifFileType* gif, GifByteType* buffer, int count) {
  auto* reader = static_cast<MemoryReader*>(gif->UserData);
  if (count <= 0) return 0;
  size_t n = std::min(static_cast<size_t>(count), reader->size - reader->pos);
  std::memcpy(buffer, reader->data + reader->pos, n);
  reader->pos += n;
  return static_cast<int>(n);
}

// Reads one frame's indexes (de-interlacing) and turns them into colours.
bool gifReadFrame(GifFileType* gif, int transparentIndex, DecodedImageFrame& frame,
                  std::vector<GifPixelType>& indexes) {
  const GifImageDesc& desc = gif->Image;
  const int w = desc.Width, h = desc.Height;
  indexes.assign(static_cast<size_t>(w) * h, 0);
  if (desc.Interlace) {
    static const int start[] = {0, 4, 2, 1};
    static const int step[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
      for (int y = start[pass]; y < h; y += step[pass]) {
        if (DGifGetLine(gif, indexes.data() + static_cast<size_t>(y) * w, w) != GIF_OK) return false;
      }
    }
  } else {
    for (int y = 0; y < h; ++y) {
      if (DGifGetLine(gif, indexes.data() + static_cast<size_t>(y) * w, w) != GIF_OK) return false;
    }
  }
  const ColorMapObject* map = desc.ColorMap != nullptr ? desc.ColorMap : gif->SColorMap;
  const int colours = map != nullptr ? map->ColorCount : 0;
  frame.hasAlpha = transparentIndex >= 0;
  uint8_t* p = frame.rgba.data();
  for (size_t i = 0; i < indexes.size(); ++i, p += 4) {
    const int index = indexes[i];
    if (index == transparentIndex) continue;  // stays (0, 0, 0, 0)
    if (index < colours) {
      p[0] = map->Colors[index].Red;
      p[1] = map->Colors[index].Green;
      p[2] = map->Colors[index].Blue;
    }
    p[3] = 255;
  }
  return true;
}

ImageDecodeResult decodeGif(const uint8_t* data, size_t size, const ImageDecodeOptions& options,
                            DecodedImage& out) {
  MemoryReader reader{data, size, 0};
  int error = 0;
  GifFileType* gif = DGifOpen(&reader, gifRead, &error);
  if (gif == nullptr) return ImageDecodeResult::Corrupt;
  ImageDecodeResult result = ImageDecodeResult::Ok;
  out.width = gif->SWidth;
  out.height = gif->SHeight;
  out.animated = options.allFrames;
  int64_t taken = 0;
  int transparentIndex = -1;
  std::vector<GifPixelType> indexes;
  bool done = false;
  while (!done) {
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif, &type) != GIF_OK) {
      result = ImageDecodeResult::Corrupt;
      break;
    }
    switch (type) {
      case IMAGE_DESC_RECORD_TYPE: {
        if (DGifGetImageDesc(gif) != GIF_OK) {
          result = ImageDecodeResult::Corrupt;
          done = true;
          break;
        }
        const GifImageDesc& desc = gif->Image;
        if (desc.Width <= 0 || desc.Height <= 0) {
          result = ImageDecodeResult::Corrupt;
          done = true;
          break;
        }
        // Every frame is charged at least the canvas: callers lay frames out on canvas-sized pictures.
        const int64_t chargeW = std::max<int64_t>(desc.Width, out.width);
        const int64_t chargeH = std::max<int64_t>(desc.Height, out.height);
        if (!withinBudget(chargeW, chargeH, taken, options.pixelBudget)) {
          result = ImageDecodeResult::TooLarge;
          done = true;
          break;
        }
        taken += chargeW * chargeH;
        DecodedImageFrame frame;
        frame.left = desc.Left;
        frame.top = desc.Top;
        if (!allocate(frame, desc.Width, desc.Height)) {
          result = ImageDecodeResult::OutOfMemory;
          done = true;
          break;
        }
        if (!gifReadFrame(gif, transparentIndex, frame, indexes)) {
          result = ImageDecodeResult::Corrupt;
          done = true;
          break;
        }
        out.frames.push_back(std::move(frame));
        transparentIndex = -1;  // a control block applies to the next frame only
        if (!options.allFrames) done = true;
        break;
      }
      case EXTENSION_RECORD_TYPE: {
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif, &code, &block) != GIF_OK) {
          result = ImageDecodeResult::Corrupt;
          done = true;
          break;
        }
        if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4) {
          GraphicsControlBlock gcb;
          if (DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK)
            transparentIndex = gcb.TransparentColor;
        }
        while (block != nullptr) {
          if (DGifGetExtensionNext(gif, &block) != GIF_OK) {
            result = ImageDecodeResult::Corrupt;
            done = true;
            break;
          }
        }
        break;
      }
      case TERMINATE_RECORD_TYPE:
        done = true;
        break;
      default:
        break;
    }
  }
  DGifCloseFile(gif, &error);
  if ((out.width <= 0 || out.height <= 0) && !out.frames.empty()) {
    out.width = out.frames[0].width;
    out.height = out.frames[0].height;
  }
  // An animation cut short keeps its whole frames; a picture without one whole frame fails.
  if (out.frames.empty()) {
    if (result == ImageDecodeResult::Ok) result = ImageDecodeResult::Corrupt;
    return result;
  }
  if (result == ImageDecodeResult::Corrupt) result = ImageDecodeResult::Ok;
  if (result != ImageDecodeResult::Ok) out.frames.clear();
  return result;
}

// ---- TIFF --------------------------------------------------------------------------------------------

struct TiffMemory {
  const uint8_t* data;
  toff_t size;
  toff_t pos;
};

tsize_t tiffRead(thandle_t h, tdata_t buffer, tsize_t count) {
  auto* m = static_cast<TiffMemory*>(h);
  if (count <= 0 || m->pos >= m->size) return 0;
  toff_t n = std::min<toff_t>(static_cast<toff_t>(count), m->size - m->pos);
  std::memcpy(buffer, m->data + m->pos, n);
  m->pos += n;
  return static_cast<tsize_t>(n);
}
tsize_t tiffWrite(thandle_t, tdata_t, tsize_t) {
  return -1;
}
toff_t tiffSeek(thandle_t h, toff_t offset, int whence) {
  auto* m = static_cast<TiffMemory*>(h);
  toff_t base = whence == SEEK_CUR ? m->pos : whence == SEEK_END ? m->size : 0;
  m->pos = base + offset;
  return m->pos;
}
int tiffClose(thandle_t) {
  return 0;
}
toff_t tiffSize(thandle_t h) {
  return static_cast<TiffMemory*>(h)->size;
}
int tiffMap(thandle_t, tdata_t*, toff_t*) {
  return 0;
}
void tiffUnmap(thandle_t, tdata_t, toff_t) {}

ImageDecodeResult decodeTiff(const uint8_t* data, size_t size, const ImageDecodeOptions& options,
                             DecodedImage& out) {
  // libtiff would print every complaint about a damaged file to the standard error stream.
  static std::once_flag quiet;
  std::call_once(quiet, [] {
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
  });
  TiffMemory memory{data, static_cast<toff_t>(size), 0};
  TIFF* tif = TIFFClientOpen("memory", "rm", &memory, tiffRead, tiffWrite, tiffSeek, tiffClose, tiffSize,
                             tiffMap, tiffUnmap);
  if (tif == nullptr) return ImageDecodeResult::Corrupt;
  uint32_t width = 0, height = 0;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
  if (!withinBudget(width, height, 0, options.pixelBudget)) {
    TIFFClose(tif);
    return width == 0 || height == 0 ? ImageDecodeResult::Corrupt : ImageDecodeResult::TooLarge;
  }
  uint16_t extraCount = 0;
  uint16_t* extraTypes = nullptr;
  DecodedImageFrame frame;
  frame.hasAlpha = TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes) == 1 && extraCount > 0;
  if (!allocate(frame, static_cast<int>(width), static_cast<int>(height))) {
    TIFFClose(tif);
    return ImageDecodeResult::OutOfMemory;
  }
  // Each packed pixel holds R in its lowest byte, so in memory the bytes read R, G, B, A.
  const int ok = TIFFReadRGBAImageOriented(tif, width, height, reinterpret_cast<uint32_t*>(frame.rgba.data()),
                                           ORIENTATION_TOPLEFT, 0);
  TIFFClose(tif);
  if (!ok) return ImageDecodeResult::Corrupt;
  out.width = frame.width;
  out.height = frame.height;
  out.frames.push_back(std::move(frame));
  return ImageDecodeResult::Ok;
}

bool startsWith(const uint8_t* data, size_t size, const char* magic, size_t length) {
  return size >= length && std::memcmp(data, magic, length) == 0;
}

}  // namespace

ImageDecodeResult decodeImage(const uint8_t* data, size_t size, const ImageDecodeOptions& options,
                              DecodedImage& out) {
  out = DecodedImage();
  if (data == nullptr || size == 0) return ImageDecodeResult::NotAnImage;
  ImageDecodeResult result = ImageDecodeResult::NotAnImage;
  if (startsWith(data, size, "\x89PNG\r\n\x1a\n", 8)) {
    result = decodePng(data, size, options, out);
  } else if (startsWith(data, size, "\xff\xd8\xff", 3)) {
    result = decodeJpeg(data, size, options, out);
  } else if (startsWith(data, size, "GIF87a", 6) || startsWith(data, size, "GIF89a", 6)) {
    result = decodeGif(data, size, options, out);
  } else if (startsWith(data, size, "II*\0", 4) || startsWith(data, size, "MM\0*", 4)) {
    result = decodeTiff(data, size, options, out);
  }
  if (result != ImageDecodeResult::Ok) out = DecodedImage();
  return result;
}

const char* imageDecodeResultText(ImageDecodeResult result) {
  switch (result) {
    case ImageDecodeResult::Ok:
      return "decoded";
    case ImageDecodeResult::NotAnImage:
      return "not a known image format";
    case ImageDecodeResult::Corrupt:
      return "damaged or cut short";
    case ImageDecodeResult::TooLarge:
      return "larger than the pixel budget";
    case ImageDecodeResult::OutOfMemory:
      return "out of memory";
  }
  return "unknown";
}
