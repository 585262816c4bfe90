// The PostScript emitter's document structure against annotated goldens: header comments, the
// two procedure blocks, every row of the feature table, page setup, page trailer and document
// trailer.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "framework/output/postscript/GPSLibWriter.h"
#include "tests/framework/PSTestSink.h"

namespace {

using vel::test::CrLfLines;
using vel::test::EmitPS;
using vel::test::PSTestSink;

// Regenerate by hand from the lines below: each entry is one line, CR LF added.
const std::string kHeader = CrLfLines({
    "%!PS-Adobe-3.0",
    "%%Title: TBD?",
    "%%Creator: QZ Dorvo Driver, Version x.x",
    "%%CreationDate: TBD?",
    "%%BoundingBox: TBD?",
    "%%Pages: (atend)",
    "%%PageOrder: TBD?",
    "%%Requirements: TBD?",
    "%%DocumentNeededFonts: (atend)",
    "%%DocumentSuppliedFonts: (atend)",
    "%%DocumentData: TBD?",
    "%%LanguageLevel: 2",
    "%%Copyright: Copyright QZ 1996-1998",  // the maker's notice
    "%%EndComments",
    "",
    "%%BeginProlog",
    "%%BeginResource: QZ_standard_proc",
});

// The first procedure block: operator abbreviations, rectangles, fonts.
const std::string kProcedures = CrLfLines({
    "%%BeginResource: procset NTPSProcs",
    "  /NTPSProcs 100 dict dup begin",
    " /bd{bind def}bind def",
    "  /ld{load def}bd",
    "  /ed{exch def}bd",
    "  /a{currentpoint}bd",
    "  /c/curveto ld",
    "  /d/dup ld",
    "  /e/eofill ld",
    "  /f/fill ld",
    "  /tr/translate ld",
    "  /gr/grestore ld",
    "  /gs/gsave ld",
    "  /j/setlinejoin ld",
    "  /L/lineto ld",
    "  /M/moveto ld",
    "  /n/newpath ld",
    "  /cp/closepath ld",
    "  /rm/rmoveto ld",
    "  /sl/setlinewidth ld",
    "  /sd/setdash ld",
    "  /g/setgray ld",
    "  /r/setrgbcolor ld",
    "  /s/stroke ld",
    "  /t/show ld",
    "  /aw/awidthshow ld",
    "  /im/imagemask ld",
    "  /MS{moveto show}bd",
    "  /SF{findfont exch scalefont setfont}bd",
    "  /SM{cmtx setmatrix}bd",
    "  /MF{findfont exch makefont setfont}bd",
    "  /CM{/cmtx matrix currentmatrix def}bd",
    "  /B{M exch dup 0 rlt exch 0 exch rlt neg 0 rlt}bd",
    "  /CB{B cp eoclip}bd",
    "  /EA{1 index 0/G0 put 4 string 1 1 4 -1 roll",
    "          {3 copy neg exch cvs dup 0 71 put cvn 3 -1 roll exch put}for ",  // trailing blank
    "          pop}bd",
    "  /rlt/rlineto ld",
    "  /L2?/languagelevel where{pop languagelevel 2 ge}{false}ifelse def ",  // trailing blank
    "  end def",
    " %%EndResource",  // a leading blank: not a DSC comment
});

// The second procedure block: re-encoding, and one blank after its last line end.
const std::string kReencodeProcedures =
    CrLfLines({
        "NTPSProcs begin ",
        " /IsChar{exch/CharStrings get exch known}bd",
        " /MapCh{3 -1 roll/Encoding get 3 1 roll put}bd",
        " /MapDegree{dup 16#b0 exch/degree IsChar{/degree}{/ring}ifelse MapCh}bd",
        " /MapBB{dup 16#a6 exch/brokenbar IsChar{/brokenbar}{/bar}ifelse MapCh}bd ",
        " /reencode{findfont begin currentdict dup length dict begin",
        "            {1 index/FID ne{def}{pop pop}ifelse}forall",
        "            /FontName exch def dup length 0 ne",
        "             {/Encoding Encoding 256 array copy def 0 exch",
        "              {dup type/nametype eq",
        "                 {Encoding 2 index 2 index put pop 1 add}{exch pop}ifelse",
        "              }forall",
        "            }if",
        "            pop currentdict dup end end",
        "            /FontName get exch definefont dup MapDegree MapBB}bd",
        " end ",
    }) +
    " ";

const std::string kPrologEnd = CrLfLines({"%%EndResource", "%%EndProlog", ""});

const std::string kSetupStart = CrLfLines({
    "%%BeginSetup",
    "%%BeginFeature: *Document setup TBD? from user interface",
    "[{",
});

const std::string kSetupEnd = CrLfLines({
    ">> setpagedevice",
    "} stopped cleartomark",
    "%%EndFeature:",
    "NTPSProcs begin ",
    "/brush { 0 setgray } def /Pen { 0 setgray } def",  // default paint: black
    "%%EndSetup",
});

std::string DocumentSetupText(std::int16_t x_resolution,
                              std::int16_t y_resolution,
                              std::int16_t tonersave,
                              std::int16_t collate,
                              std::int16_t duplex,
                              std::int16_t output_bin,
                              std::int16_t bin_flag,
                              std::int16_t enhance) {
  return EmitPS([&](GPSLibWriter& w) {
    return w.DocumentSetup(x_resolution, y_resolution, tonersave, collate, duplex, output_bin,
                           bin_flag, enhance);
  });
}

TEST(GPSLibWriterDocumentTest, DocumentSetupGolden) {
  EXPECT_EQ(1025u, kProcedures.size());
  EXPECT_EQ(751u, kReencodeProcedures.size());
  const std::string features = "<<" + CrLfLines({
                                          "/DeferredMediaSelection true",
                                          "/HWResolution [600 600]",
                                          "/Tonersave false",
                                          "/Collate false",
                                          "/Duplex false",
                                          "/Staple 0 /OutputType (TOP OUTPUT BIN)",
                                          "/PostRenderingEnhance true",
                                      });
  EXPECT_EQ(
      kHeader + kProcedures + kReencodeProcedures + kPrologEnd + kSetupStart + features + kSetupEnd,
      DocumentSetupText(600, 600, 0, 0, 0, 1, 0, 4));
}

struct FeatureCase {
  const char* name;
  std::int16_t x_resolution, y_resolution, tonersave, collate, duplex, output_bin, bin_flag,
      enhance;
  std::string features;  // the keys between "<<" and ">> setpagedevice"
};

const FeatureCase kFeatures[] = {
    {"AllOn", 300, 1200, 1, 1, 1, 2, 1, 1,
     CrLfLines({"/DeferredMediaSelection true", "/HWResolution [300 1200]", "/Tonersave true",
                "/Collate true", "/Duplex true /Tumble true", "/Staple 0 /OutputType (FACE UP BIN)",
                "/PostRenderingEnhance true"})},
    {"LeftBinShortEdge", 600, 600, 2, 2, 2, 2, 0, 0,
     CrLfLines({"/DeferredMediaSelection true", "/HWResolution [600 600]", "/Tonersave false",
                "/Collate false", "/Duplex true /Tumble false",
                "/Staple 0 /OutputType (LEFT OUTPUT BIN)", "/PostRenderingEnhance false"})},
    {"OptionalBin3", 600, 600, 0, 0, 3, 3, 1, 0,
     CrLfLines({"/DeferredMediaSelection true", "/HWResolution [600 600]", "/Tonersave false",
                "/Collate false", "/Duplex false", "/Staple 0 /OutputType (OPTIONAL OUTBIN 3)",
                "/PostRenderingEnhance false"})},
    // Bin 3 without the flag staples, with no output type.
    {"Staple", 600, 600, 0, 0, 0, 3, 0, -1,
     CrLfLines({"/DeferredMediaSelection true", "/HWResolution [600 600]", "/Tonersave false",
                "/Collate false", "/Duplex false", "/Staple 2", "/PostRenderingEnhance true"})},
    {"OptionalBin2", 600, 600, 0, 0, 0, 4, 1, 0,
     CrLfLines({"/DeferredMediaSelection true", "/HWResolution [600 600]", "/Tonersave false",
                "/Collate false", "/Duplex false", "/Staple 0 /OutputType (OPTIONAL OUTBIN 2)",
                "/PostRenderingEnhance false"})},
    // From 5 on, the bin number less 5: bin 7 is written as bin 4 is.
    {"BinSevenByTheRuleOfFive", 600, 600, 0, 0, 0, 7, 0, 0,
     CrLfLines({"/DeferredMediaSelection true", "/HWResolution [600 600]", "/Tonersave false",
                "/Collate false", "/Duplex false", "/Staple 0 /OutputType (OPTIONAL OUTBIN 2)",
                "/PostRenderingEnhance false"})},
    {"BinFive", 600, 600, 0, 0, 0, 5, 0, 0,
     CrLfLines({"/DeferredMediaSelection true", "/HWResolution [600 600]", "/Tonersave false",
                "/Collate false", "/Duplex false", "/Staple 0 /OutputType (OPTIONAL OUTBIN 0)",
                "/PostRenderingEnhance false"})},
    {"BinZero", 600, 600, 0, 0, 0, 0, 0, 0,
     CrLfLines({"/DeferredMediaSelection true", "/HWResolution [600 600]", "/Tonersave false",
                "/Collate false", "/Duplex false", "/Staple 0 /OutputType (OPTIONAL OUTBIN -5)",
                "/PostRenderingEnhance false"})},
};

TEST(GPSLibWriterDocumentTest, FeatureTable) {
  for (const FeatureCase& c : kFeatures) {
    SCOPED_TRACE(c.name);
    const std::string text =
        DocumentSetupText(c.x_resolution, c.y_resolution, c.tonersave, c.collate, c.duplex,
                          c.output_bin, c.bin_flag, c.enhance);
    const std::string prefix =
        kHeader + kProcedures + kReencodeProcedures + kPrologEnd + kSetupStart + "<<";
    EXPECT_EQ(prefix + c.features + kSetupEnd, text);
  }
  // Duplex 0 and 3 are both simplex.
  for (std::int16_t duplex : {0, 3, -1}) {
    EXPECT_NE(std::string::npos,
              DocumentSetupText(600, 600, 0, 0, duplex, 1, 0, 0).find("\r\n/Duplex false\r\n"))
        << duplex;
  }
}

std::string Page(std::uint16_t width,
                 std::uint16_t height,
                 const char* media_type,
                 std::int32_t manual_feed,
                 std::int32_t position,
                 std::int16_t x_resolution = 600,
                 std::int16_t y_resolution = 600) {
  PSTestSink sink;
  GPSLibWriter writer(&sink);
  EXPECT_EQ(0, writer.DocumentSetup(x_resolution, y_resolution, 0, 0, 0, 1, 0, 0));
  EXPECT_EQ(0, writer.Flush());
  sink.text.clear();
  EXPECT_EQ(0, writer.PageSetup(width, height, 77, media_type, manual_feed, position));
  EXPECT_EQ(width, writer.PageWidth());
  EXPECT_EQ(height, writer.PageHeight());
  EXPECT_EQ(0, writer.Flush());
  return sink.text;
}

TEST(GPSLibWriterDocumentTest, PageSetupGoldens) {
  // Letter at 600 by 600 dpi.
  EXPECT_EQ(CrLfLines({
                "%%BeginPageSetup",
                "%%Page: x ",
                "<</PageSize [612 792] /ImagingBBox null /MediaType (Plain)"
                " /ManualFeed false /MediaPosition 3>> setpagedevice",
                "0 792 translate ",
                ".1200 -0.1200 scale ",  // 72 / 600 points per pixel, y downwards
                "%%EndPageSetup",
            }),
            Page(612, 792, "Plain", 0, 3));
  // A4 at 300 by 1200, manual feed, no media type.
  EXPECT_EQ(CrLfLines({
                "%%BeginPageSetup",
                "%%Page: x ",
                "<</PageSize [595 842] /ImagingBBox null /MediaType null"
                " /ManualFeed true /MediaPosition 0>> setpagedevice",
                "0 842 translate ",
                ".2400 -0.0600 scale ",
                "%%EndPageSetup",
            }),
            Page(595, 842, "", 1, 0, 300, 1200));
}

struct MediaCase {
  const char* name;
  const char* media_type;
  std::int32_t manual_feed;
  std::int32_t position;
  const char* keys;  // between the image box and ">> setpagedevice"
};

const MediaCase kMedia[] = {
    {"EmptyType", "", 0, 1, " /MediaType null /ManualFeed false /MediaPosition 1"},
    {"NullType", nullptr, 0, 1, " /MediaType null /ManualFeed false /MediaPosition 1"},
    {"Position255", "Bond", 1, 255, " /MediaType (Bond)"},
    {"OnlyTheLowByteCounts", "Bond", 0, 0x1FF, " /MediaType (Bond)"},
    {"LowByteOfALargePosition", "Bond", 1, 0x302,
     " /MediaType (Bond) /ManualFeed true"
     " /MediaPosition 2"},
    {"ManualFeedOnlyWhenOne", "Bond", 2, 254,
     " /MediaType (Bond) /ManualFeed false"
     " /MediaPosition 254"},
    {"EscapedType", "A)B\\", 0, 255, " /MediaType (A\\)B\\\\)"},
};

TEST(GPSLibWriterDocumentTest, PageSetupMediaKeys) {
  for (const MediaCase& c : kMedia) {
    SCOPED_TRACE(c.name);
    const std::string page = Page(612, 792, c.media_type, c.manual_feed, c.position);
    const std::string end = ">> setpagedevice\r\n";
    EXPECT_EQ(std::string("%%BeginPageSetup\r\n%%Page: x \r\n"
                          "<</PageSize [612 792] /ImagingBBox null") +
                  c.keys + end,
              page.substr(0, page.find(end) + end.size()));
  }
}

TEST(GPSLibWriterDocumentTest, PageTrailerAndDocumentTrailerGoldens) {
  PSTestSink sink;
  GPSLibWriter writer(&sink);
  ASSERT_EQ(0, writer.DocumentSetup(600, 300, 0, 0, 0, 1, 0, 0));
  ASSERT_EQ(0, writer.PageSetup(612, 792, 0, "", 0, 255));
  ASSERT_EQ(0, writer.Flush());
  sink.text.clear();
  ASSERT_EQ(0, writer.PageTrailer());
  ASSERT_EQ(0, writer.DocumentTrailer());
  ASSERT_EQ(0, writer.Flush());
  EXPECT_EQ(CrLfLines({
                "8.3333 -4.1666 scale ",  // resolution x 0.013888889: back to points
                "0 -792 translate ",
                "%%PageTrailer",
                "showpage",
                "%%Trailer",
                "%%DocumentNeededFonts: TBD?",
                "%%DocumentSuppliedFonts: TBD?",
                "%Add code to perform a restore of VM to start of job state. TBD??",
                "end",  // closes the setup's "NTPSProcs begin"
                "%%Pages: TBD?",
                "%%EOF",
            }),
            sink.text);
}

TEST(GPSLibWriterDocumentTest, APageBeforeAnyDocumentSetupReportsItsTransform) {
  // Without resolutions, 72 / 0 cannot be written: the page says so instead of succeeding.
  PSTestSink sink;
  GPSLibWriter writer(&sink);
  EXPECT_EQ(GPSLibWriter::kFormatFailed, writer.PageSetup(612, 792, 0, "", 0, 1));
}

}  // namespace
