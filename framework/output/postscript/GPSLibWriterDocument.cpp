// The PostScript emitter's document structure: header comments, the NTPSProcs procedure set, the
// feature block of the setup, page setup and trailer, and the document trailer.
#include <cstdint>
#include <cstring>

#include "framework/output/OutputTexts.h"
#include "framework/output/postscript/GPSLibWriter.h"
#include "framework/output/postscript/GPSLibWriterInternal.h"

namespace {

using vel::ps::FirstFailure;

constexpr char kHeaderComments[] =
    "%!PS-Adobe-3.0\r\n"
    "%%Title: TBD?\r\n"
    "%%Creator: QZ Dorvo Driver, Version x.x\r\n"
    "%%CreationDate: TBD?\r\n"
    "%%BoundingBox: TBD?\r\n"
    "%%Pages: (atend)\r\n"
    "%%PageOrder: TBD?\r\n"
    "%%Requirements: TBD?\r\n"
    "%%DocumentNeededFonts: (atend)\r\n"
    "%%DocumentSuppliedFonts: (atend)\r\n"
    "%%DocumentData: TBD?\r\n"
    "%%LanguageLevel: 2\r\n";

// The procedure set: short names for the operators, rectangles, clips and fonts, in a dictionary of
// its own that the setup opens.
constexpr char kProcedures[] =
    "%%BeginResource: procset NTPSProcs\r\n"
    "  /NTPSProcs 100 dict dup begin\r\n"
    " /bd{bind def}bind def\r\n"
    "  /ld{load def}bd\r\n"
    "  /ed{exch def}bd\r\n"
    "  /a{currentpoint}bd\r\n"
    "  /c/curveto ld\r\n"
    "  /d/dup ld\r\n"
    "  /e/eofill ld\r\n"
    "  /f/fill ld\r\n"
    "  /tr/translate ld\r\n"
    "  /gr/grestore ld\r\n"
    "  /gs/gsave ld\r\n"
    "  /j/setlinejoin ld\r\n"
    "  /L/lineto ld\r\n"
    "  /M/moveto ld\r\n"
    "  /n/newpath ld\r\n"
    "  /cp/closepath ld\r\n"
    "  /rm/rmoveto ld\r\n"
    "  /sl/setlinewidth ld\r\n"
    "  /sd/setdash ld\r\n"
    "  /g/setgray ld\r\n"
    "  /r/setrgbcolor ld\r\n"
    "  /s/stroke ld\r\n"
    "  /t/show ld\r\n"
    "  /aw/awidthshow ld\r\n"
    "  /im/imagemask ld\r\n"
    "  /MS{moveto show}bd\r\n"
    "  /SF{findfont exch scalefont setfont}bd\r\n"
    "  /SM{cmtx setmatrix}bd\r\n"
    "  /MF{findfont exch makefont setfont}bd\r\n"
    "  /CM{/cmtx matrix currentmatrix def}bd\r\n"
    "  /B{M exch dup 0 rlt exch 0 exch rlt neg 0 rlt}bd\r\n"
    "  /CB{B cp eoclip}bd\r\n"
    "  /EA{1 index 0/G0 put 4 string 1 1 4 -1 roll\r\n"
    "          {3 copy neg exch cvs dup 0 71 put cvn 3 -1 roll exch put}for \r\n"
    "          pop}bd\r\n"
    "  /rlt/rlineto ld\r\n"
    "  /L2?/languagelevel where{pop languagelevel 2 ge}{false}ifelse def \r\n"
    "  end def\r\n"
    " %%EndResource\r\n";

// Re-encoding: `array /NewName /FontName reencode` defines NewName as a copy of the font whose
// encoding has the array's names merged in (a number in the array sets the code of the names after
// it), then maps 0xB0 to the degree sign and 0xA6 to the broken bar, or their stand-ins.
constexpr char kReencodeProcedures[] =
    "NTPSProcs begin \r\n"
    " /IsChar{exch/CharStrings get exch known}bd\r\n"
    " /MapCh{3 -1 roll/Encoding get 3 1 roll put}bd\r\n"
    " /MapDegree{dup 16#b0 exch/degree IsChar{/degree}{/ring}ifelse MapCh}bd\r\n"
    " /MapBB{dup 16#a6 exch/brokenbar IsChar{/brokenbar}{/bar}ifelse MapCh}bd \r\n"
    " /reencode{findfont begin currentdict dup length dict begin\r\n"
    "            {1 index/FID ne{def}{pop pop}ifelse}forall\r\n"
    "            /FontName exch def dup length 0 ne\r\n"
    "             {/Encoding Encoding 256 array copy def 0 exch\r\n"
    "              {dup type/nametype eq\r\n"
    "                 {Encoding 2 index 2 index put pop 1 add}{exch pop}ifelse\r\n"
    "              }forall\r\n"
    "            }if\r\n"
    "            pop currentdict dup end end\r\n"
    "            /FontName get exch definefont dup MapDegree MapBB}bd\r\n"
    " end \r\n"
    " ";

// Text and figures painted before the first brush or pen arrives paint black.
constexpr char kDefaultPaint[] = "/brush { 0 setgray } def /Pen { 0 setgray } def\r\n";

// 1 / 72: a resolution in pixels per inch times this is pixels per point.
constexpr float kInchesPerPoint = 0.013888889f;

}  // namespace

std::int32_t GPSLibWriter::DocumentSetup(std::int16_t x_resolution,
                                         std::int16_t y_resolution,
                                         std::int16_t tonersave,
                                         std::int16_t collate,
                                         std::int16_t duplex,
                                         std::int16_t output_bin,
                                         std::int16_t bin_flag,
                                         std::int16_t post_rendering_enhance) {
  x_resolution_ = x_resolution;
  y_resolution_ = y_resolution;
  FirstFailure status;
  status += Append(kHeaderComments);
  status += Append(vel::kPSCopyrightComment);
  status += Append("\r\n%%EndComments\r\n\r\n");

  status += Append("%%BeginProlog\r\n%%BeginResource: QZ_standard_proc\r\n");
  status += Append(kProcedures);
  status += Append(kReencodeProcedures);
  status += Append("%%EndResource\r\n%%EndProlog\r\n\r\n");

  status += Append(
      "%%BeginSetup\r\n"
      "%%BeginFeature: *Document setup TBD? from user interface\r\n"
      "[{\r\n"
      "<<");
  status += WriteFeatures(x_resolution, y_resolution, tonersave, collate, duplex, output_bin,
                          bin_flag, post_rendering_enhance);
  status += Append(
      ">> setpagedevice\r\n"
      "} stopped cleartomark\r\n"
      "%%EndFeature:\r\n"
      "NTPSProcs begin \r\n");
  status += Append(kDefaultPaint);
  status += Append("%%EndSetup\r\n");
  return status.Status();
}

std::int32_t GPSLibWriter::WriteFeatures(std::int16_t x_resolution,
                                         std::int16_t y_resolution,
                                         std::int16_t tonersave,
                                         std::int16_t collate,
                                         std::int16_t duplex,
                                         std::int16_t output_bin,
                                         std::int16_t bin_flag,
                                         std::int16_t post_rendering_enhance) {
  FirstFailure status;
  status += Append("/DeferredMediaSelection true\r\n/HWResolution [");
  status += AppendInt(x_resolution);
  status += Append(" ");
  status += AppendInt(y_resolution);
  status += Append("]\r\n");
  status += Append(tonersave == 1 ? "/Tonersave true\r\n" : "/Tonersave false\r\n");
  status += Append(collate == 1 ? "/Collate true\r\n" : "/Collate false\r\n");
  switch (duplex) {
    case 1:
      status += Append("/Duplex true /Tumble true\r\n");
      break;
    case 2:
      status += Append("/Duplex true /Tumble false\r\n");
      break;
    default:
      status += Append("/Duplex false\r\n");
      break;
  }
  switch (output_bin) {
    case 1:
      status += Append("/Staple 0 /OutputType (TOP OUTPUT BIN)\r\n");
      break;
    case 2:
      status += Append(bin_flag != 0 ? "/Staple 0 /OutputType (FACE UP BIN)\r\n"
                                     : "/Staple 0 /OutputType (LEFT OUTPUT BIN)\r\n");
      break;
    case 3:
      status +=
          Append(bin_flag != 0 ? "/Staple 0 /OutputType (OPTIONAL OUTBIN 3)\r\n" : "/Staple 2\r\n");
      break;
    case 4:
      status += Append("/Staple 0 /OutputType (OPTIONAL OUTBIN 2)\r\n");
      break;
    default:
      // The optional bins from 5 on are numbered from 0: bin 7 is OPTIONAL OUTBIN 2.
      status += Append("/Staple 0 /OutputType (OPTIONAL OUTBIN ");
      status += AppendInt(output_bin - 5);
      status += Append(")\r\n");
      break;
  }
  status += Append(post_rendering_enhance != 0 ? "/PostRenderingEnhance true\r\n"
                                               : "/PostRenderingEnhance false\r\n");
  return status.Status();
}

std::int32_t GPSLibWriter::PageSetup(std::uint16_t width,
                                     std::uint16_t height,
                                     std::int32_t /*media_value*/,
                                     const char* media_type,
                                     std::int32_t manual_feed,
                                     std::int32_t media_position) {
  page_width_ = width;
  page_height_ = height;
  FirstFailure status;
  status += Append("%%BeginPageSetup\r\n%%Page: x \r\n<</PageSize [");
  status += AppendInt(width);
  status += Append(" ");
  status += AppendInt(height);
  status += Append("] /ImagingBBox null");
  if (media_type != nullptr && media_type[0] != '\0') {
    status += Append(" /MediaType ");
    status += WritePSString(media_type, static_cast<std::uint32_t>(std::strlen(media_type)));
  } else {
    status += Append(" /MediaType null");
  }
  const auto position = static_cast<std::uint8_t>(media_position);
  if (position < 255) {
    status += Append(manual_feed == 1 ? " /ManualFeed true /MediaPosition "
                                      : " /ManualFeed false /MediaPosition ");
    status += AppendInt(position);
  }
  status += Append(">> setpagedevice\r\n");
  // From here on, page coordinates are device pixels, origin top left, y growing downwards.
  status += Append("0 ");
  status += WriteInt(height);
  status += Append("translate \r\n");
  status +=
      Scale(72.0f / static_cast<float>(x_resolution_), -72.0f / static_cast<float>(y_resolution_));
  status += Append("%%EndPageSetup\r\n");
  return status.Status();
}

std::int32_t GPSLibWriter::PageTrailer() {
  FirstFailure status;
  status += Scale(static_cast<float>(x_resolution_) * kInchesPerPoint,
                  -(static_cast<float>(y_resolution_) * kInchesPerPoint));
  status += Append("0 ");
  status += WriteInt(-static_cast<std::int32_t>(page_height_));
  status += Append("translate \r\n%%PageTrailer\r\nshowpage\r\n");
  return status.Status();
}

std::int32_t GPSLibWriter::DocumentTrailer() {
  return Append(
      "%%Trailer\r\n"
      "%%DocumentNeededFonts: TBD?\r\n"
      "%%DocumentSuppliedFonts: TBD?\r\n"
      "%Add code to perform a restore of VM to start of job state. TBD??\r\n"
      "end\r\n"
      "%%Pages: TBD?\r\n"
      "%%EOF\r\n");
}
