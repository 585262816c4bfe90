// The PostScript back end: the object, the output path, the job and page handlers.
#include "framework/output/GPostScript.h"

#include <cmath>
#include <new>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GConfiguration.h"
#include "framework/core/GMedia.h"
#include "framework/core/GState.h"
#include "framework/core/GTypedHandlers.h"
#include "framework/core/MAssociationList.h"
#include "framework/core/StoredFields.h"
#include "framework/output/GOutputPort.h"
#include "framework/output/SettingValues.h"
#include "framework/output/fonts/GPSFontDownloader.h"
#include "framework/pipeline/GDocumentCommand.h"
#include "framework/pipeline/GGraphicBundle.h"
#include "framework/pipeline/GJobAbort.h"
#include "framework/pipeline/GPageCommand.h"
#include "framework/pipeline/GPassThroughCommand.h"
#include "framework/pipeline/GTransformAttribute.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

namespace {

// The page size of a job without a media: Letter, in points.
constexpr std::uint16_t kLetterWidth = 612;
constexpr std::uint16_t kLetterHeight = 792;

// Defaults of the job settings.
constexpr std::uint16_t kDefaultResolution = 600;
constexpr std::uint16_t kDefaultOutputBin = 1;
constexpr std::uint16_t kDefaultEnhancement = 4;

// A length of `units` at `per_inch` units per inch in points, rounded; 0 for a resolution of 0.
std::uint16_t Points(std::int16_t units, std::uint16_t per_inch) {
  if (per_inch == 0 || units <= 0) {
    return 0;
  }
  return static_cast<std::uint16_t>(
      std::floor(static_cast<double>(units) / static_cast<double>(per_inch) * 72.0 + 0.5));
}

}  // namespace

RWClassID GPostScript::ClassId() {
  return vel::classid::kGPostScript;
}

RWCollectable* GPostScript::Create() {
  return new (std::nothrow) GPostScript;
}

GPostScript::GPostScript() {
  MakeWriter();
  MakeFontObjects();
  LoadDeviceFontList();
}

GPostScript::GPostScript(const RWCString& name,
                         GState* page_state,
                         GConfiguration* configuration,
                         std::uint32_t key,
                         std::uint32_t add_on_list_key,
                         std::int32_t add_on_kind,
                         std::int32_t add_on_mode)
    : GLanguagePeripheral(name, page_state, configuration, key, add_on_list_key, add_on_kind,
                          add_on_mode) {
  MakeWriter();
  MakeFontObjects();
  LoadDeviceFontList();
}

GPostScript::GPostScript(const GPostScript& other)
    : GLanguagePeripheral(other),
      option_word_(other.option_word_),
      pending_status_(other.pending_status_),
      aborting_(other.aborting_),
      resolution_x_(other.resolution_x_),
      resolution_y_(other.resolution_y_),
      colour_output_(other.colour_output_) {
  MakeWriter();
  MakeFontObjects();
  LoadDeviceFontList();
}

GPostScript& GPostScript::operator=(const GPostScript& other) {
  if (this == &other) {
    return *this;
  }
  GLanguagePeripheral::operator=(other);
  option_word_ = other.option_word_;
  pending_status_ = other.pending_status_;
  aborting_ = other.aborting_;
  resolution_x_ = other.resolution_x_;
  resolution_y_ = other.resolution_y_;
  colour_output_ = other.colour_output_;
  current_media_.reset();
  MakeWriter();
  MakeFontObjects();
  LoadDeviceFontList();
  if (OwnsOutputChannel()) {
    DropOutputChannel();
  }
  return *this;
}

GPostScript::~GPostScript() {
  SetFontDownloader(nullptr);
  SetGlyphCodeMap(nullptr);
}

RWCollectable* GPostScript::CreateInstance() const {
  return Create();
}

RWCollectable* GPostScript::Clone() const {
  return new (std::nothrow) GPostScript(*this);
}

RWClassID GPostScript::IsA() const {
  return ClassId();
}

bool GPostScript::IsKindOf(RWClassID id) const {
  return id == vel::classid::kGPostScript || GLanguagePeripheral::IsKindOf(id);
}

bool GPostScript::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  if (other == nullptr || other->IsA() != IsA() || !GLanguagePeripheral::IsSameKey(other)) {
    return false;
  }
  const auto* postscript = static_cast<const GPostScript*>(other);
  return postscript->option_word_ == option_word_ &&
         postscript->colour_output_ == colour_output_;
}

std::uint16_t GPostScript::Accept(GTypedHandlers& handlers) {
  return handlers.HandlePostScript(*this);
}

void GPostScript::MakeWriter() {
  writer_.reset(new (std::nothrow) GPSLibWriter(&sink_));
}

void GPostScript::FlushWriter() {
  if (writer_ != nullptr) {
    (void)writer_->Flush();
  }
}

// The downloaded-font list comes with the font handlers; until then the back end keeps none.
void GPostScript::MakeFontObjects() {
  SetFontDownloader(new (std::nothrow) GPSFontDownloader);
  SetGlyphCodeMap(nullptr);
}

GPSFontDownloader* GPostScript::PSFontDownloader() const {
  return static_cast<GPSFontDownloader*>(FontDownloader());
}

void GPostScript::EndFontJob() {
  // Releasing each font gives its printer memory back to the budget.
  if (GPSFontDownloader* downloader = PSFontDownloader()) {
    downloader->EndJob();
  }
}

void GPostScript::Reset() {
  GLanguagePeripheral::Reset();
  MakeFontObjects();
}

void GPostScript::Update(GPeripheral* /*changed*/) {
  RebuildConfiguration();
  (void)RebuildSharedStates();
  GPeripheral::Update(this);
}

// ---------------------------------------------------------------------------------------------
// Output

std::int32_t GPostScript::FlushSink::Flush(const char* buffer, std::uint32_t count) {
  if (count == 0 || owner_->aborting_ != 0) {
    return 0;
  }
  GOutputPort* channel = owner_->GetOutputChannel();
  std::uint16_t status = kOutputNoChannel;
  if (channel != nullptr) {
    std::uint32_t written = 0;
    status = channel->WriteRaw(buffer, count, &written);
  }
  if (status != 0) {
    owner_->pending_status_ = status;
  }
  return status;
}

std::uint16_t GPostScript::TakeStatus() {
  const std::uint16_t status = pending_status_;
  pending_status_ = 0;
  return status;
}

// ---------------------------------------------------------------------------------------------
// Commands

GCommand* GPostScript::ProcessCommand(GCommand* command) {
  return HandleThenPassOn(command);
}

std::uint16_t GPostScript::HandleDocumentStart(GDocumentStart& object) {
  // Every job starts afresh, whatever the last one's output did.
  pending_status_ = 0;
  aborting_ = 0;
  if (writer_ == nullptr) {
    return kNoWriter;
  }
  if (const std::uint16_t status = GLanguagePeripheral::HandleDocumentStart(object); status != 0) {
    return status;
  }
  // Anything a job abort left in the emitter belongs to no job.
  aborting_ = 1;
  FlushWriter();
  aborting_ = 0;

  GState* settings = InitStates(vel::key::kDocumentGroup);
  std::uint16_t value = 0;
  if (vel::ReadSettingValue(vel::FindSetting(settings, vel::key::kDocumentStartValue296), value)) {
    colour_output_ = value == 0 ? 1 : 0;
  }
  ReadJobResolution(settings, kDefaultResolution, resolution_x_, resolution_y_);
  const std::uint16_t tonersave = vel::SettingValueOr(settings, vel::key::kTonerSaving, 0);
  const std::uint16_t collate = vel::SettingValueOr(settings, vel::key::kCollateFlag, 0);
  const std::uint16_t duplex = vel::SettingValueOr(settings, vel::key::kDuplex, 0);
  const std::uint16_t bin = vel::SettingValueOr(settings, vel::key::kOutputBin, kDefaultOutputBin);
  const std::uint16_t enhance =
      vel::SettingValueOr(settings, vel::key::kResolutionEnhancement, kDefaultEnhancement);
  const std::uint16_t bin_flag = vel::SettingValueOr(JobState(), vel::key::kOutputBinFlag, 0);

  no_pen_ = 0;
  no_brush_ = 1;
  winding_fill_ = 0;
  brush_pattern_ = false;
  pen_pattern_ = false;
  ResetTextState();
  text_diagnostics_ = TextDiagnostics();
  (void)writer_->DocumentSetup(
      static_cast<std::int16_t>(resolution_x_), static_cast<std::int16_t>(resolution_y_),
      static_cast<std::int16_t>(tonersave), static_cast<std::int16_t>(collate),
      static_cast<std::int16_t>(duplex), static_cast<std::int16_t>(bin),
      static_cast<std::int16_t>(bin_flag), static_cast<std::int16_t>(enhance));
  SetInDocument();
  return TakeStatus();
}

std::uint16_t GPostScript::HandlePageStart(GPageStart& object) {
  if (const std::uint16_t status = GLanguagePeripheral::HandlePageStart(object); status != 0) {
    return status;
  }
  if (writer_ == nullptr) {
    return kNoWriter;
  }
  // The page's template of the graphic state replaces the last page's.
  TakePageGraphicState();
  ResetTextState();

  GState* page = InitStates(vel::key::kPageGroup);
  const std::uint16_t media_value = vel::SettingValueOr(page, vel::key::kOrientation, 0);
  std::uint8_t position = 0;
  if (GBaseObject* tray = vel::FindSetting(page, vel::key::kTraySelection)) {
    auto* positions = dynamic_cast<MAssociationList*>(
        vel::FindSetting(Configuration(), vel::key::kTrayToMediaSource));
    if (positions != nullptr) {
      // The list's keys are value attributes of key 0.
      if (auto* lookup = dynamic_cast<GBaseObject*>(tray->Clone())) {
        lookup->SetKey(0);
        std::uint16_t found = 0;
        if (vel::ReadSettingValue(dynamic_cast<GBaseObject*>(positions->FindValue(lookup)),
                                  found)) {
          position = static_cast<std::uint8_t>(found);
        }
        delete lookup;
      }
    }
  }
  std::uint16_t width = kLetterWidth;
  std::uint16_t height = kLetterHeight;
  RWCString media_type;
  current_media_.reset();
  const GBaseObject* found = vel::FindSetting(page, vel::key::kSelectedMedia);
  if (found != nullptr && found->IsA() == vel::classid::kGMedia) {
    const auto* media = static_cast<const GMedia*>(found);
    current_media_.reset(new (std::nothrow) GMedia(*media));
    width = Points(media->GetSize()[0], media->GetResolutionX());
    height = Points(media->GetSize()[1], media->GetResolutionY());
    media_type = media->GetMediaType();
  }
  (void)writer_->PageSetup(width, height, media_value, media_type.Data(), 0, position);
  // The last page's showpage reset the clip and the line state, and a new job's setup redefined
  // the pen and brush procedures: the whole graphic state is written again when the next graphic
  // needs it.
  if (GState* graphics = InitStates(vel::key::kGraphicsGroup)) {
    graphics->EnableAll();
  }
  SetInPage();
  return TakeStatus();
}

std::uint16_t GPostScript::HandlePageEnd(GPageEnd& /*object*/) {
  SetInDocument();
  if (writer_ == nullptr) {
    return kNoWriter;
  }
  (void)writer_->PageTrailer();
  // The spooler gets each page as it ends.
  FlushWriter();
  SetPathDepth(0);
  SetClipPathFlag(0);
  current_media_.reset();
  return TakeStatus();
}

std::uint16_t GPostScript::HandleDocumentEnd(GDocumentEnd& /*object*/) {
  SetIdle();
  EndFontJob();
  if (writer_ == nullptr) {
    return kNoWriter;
  }
  (void)writer_->DocumentTrailer();
  ResetTextState();
  FlushWriter();
  SetInDocumentFlag(0);
  return EndJobOnChannel(TakeStatus());
}

std::uint16_t GPostScript::HandleJobAbort(GJobAbort& object) {
  aborting_ = 1;
  SetIdle();
  if (GetInDocument() != 0) {
    EndFontJob();
    // The text waiting in the emitter goes nowhere.
    FlushWriter();
    ForgetDocument();
  }
  aborting_ = 0;
  current_media_.reset();
  (void)GPeripheral::HandleJobAbort(object);
  return TakeStatus();
}

std::uint16_t GPostScript::HandlePassThroughCommand(GPassThroughCommand& object) {
  if (object.GetTargetClassId() != vel::classid::kGPostScript) {
    return 0;
  }
  FlushWriter();
  return WritePassThrough(object);
}

std::uint16_t GPostScript::HandleTransformAttribute(GTransformAttribute& object) {
  if (IsInPage()) {
    return TakeStatus();
  }
  GState* page_state = PageState();
  if (page_state == nullptr) {
    return TakeStatus();
  }
  auto* bundle = dynamic_cast<GState*>(page_state->FindByKey(vel::key::kGraphicsGroup));
  if (bundle == nullptr) {
    bundle = new (std::nothrow) GGraphicBundle;
    if (bundle == nullptr) {
      return TakeStatus();
    }
    page_state->Add(bundle);
  }
  if (auto* copy = dynamic_cast<GBaseObject*>(object.Clone())) {
    bundle->SetAttribute(copy);
  }
  return TakeStatus();
}

std::uint16_t GPostScript::HandleStringAttribute(GStringAttribute& object) {
  if (const std::uint16_t status = GLanguagePeripheral::HandleStringAttribute(object);
      status != 0) {
    return status;
  }
  return TakeStatus();
}

void GPostScript::SelectNoFont(const RWCString& font_name) {
  if (text_.font_name == font_name) {
    text_.font_name = "No Font";
  }
}

// ---------------------------------------------------------------------------------------------
// Stored form

std::uint32_t GPostScript::StoredByteCount() const {
  return GLanguagePeripheral::StoredByteCount() + vel::kClassVersionSize + 2 + 2 + 4 + 2 + 2 + 4;
}

template <typename Carrier>
void GPostScript::Save(Carrier& carrier) const {
  GLanguagePeripheral::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  vel::WriteField(carrier, option_word_);
  vel::WriteField(carrier, pending_status_);
  vel::WriteField(carrier, static_cast<std::int32_t>(aborting_));
  vel::WriteField(carrier, resolution_x_);
  vel::WriteField(carrier, resolution_y_);
  vel::WriteField(carrier, colour_output_);
}

void GPostScript::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GPostScript::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
void GPostScript::Restore(Carrier& carrier) {
  GLanguagePeripheral::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  MakeFontObjects();
  LoadDeviceFontList();
  std::int16_t option = 0;
  std::uint16_t pending = 0;
  std::int32_t aborting = 0;
  std::uint16_t x = 0;
  std::uint16_t y = 0;
  std::int32_t colour = 0;
  if (!vel::ReadField(carrier, option) || !vel::ReadField(carrier, pending) ||
      !vel::ReadField(carrier, aborting) || !vel::ReadField(carrier, x) ||
      !vel::ReadField(carrier, y) || !vel::ReadField(carrier, colour)) {
    vel::FailCarrier(carrier);
    return;
  }
  option_word_ = option;
  pending_status_ = pending;
  aborting_ = static_cast<std::uint32_t>(aborting);
  resolution_x_ = x;
  resolution_y_ = y;
  colour_output_ = colour;
}

void GPostScript::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GPostScript::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}
