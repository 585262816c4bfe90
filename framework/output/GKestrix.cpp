// The PCL XL back end: the object, the output path, the job and page handlers.
#include "framework/output/GKestrix.h"

#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <string_view>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GConfiguration.h"
#include "framework/core/GIterator.h"
#include "framework/core/GMedia.h"
#include "framework/core/GSelectionString.h"
#include "framework/core/GState.h"
#include "framework/core/GTypedHandlers.h"
#include "framework/core/MAssociationList.h"
#include "framework/core/StoredFields.h"
#include "framework/output/GDeviceFontList.h"
#include "framework/output/GOutputPort.h"
#include "framework/output/OutputTexts.h"
#include "framework/output/SettingValues.h"
#include "framework/output/fonts/GFontDownloader.h"
#include "framework/output/fonts/GGlyphCodeMap.h"
#include "framework/output/pclxl/XLEncoder.h"
#include "framework/output/pclxl/XLSessionOperators.h"
#include "framework/output/pclxl/XLStateOperators.h"
#include "framework/output/pclxl/XLTags.h"
#include "framework/pipeline/GDitherMatrix.h"
#include "framework/pipeline/GDocumentCommand.h"
#include "framework/pipeline/GJobAbort.h"
#include "framework/pipeline/GPageCommand.h"
#include "framework/pipeline/GPassThroughCommand.h"
#include "framework/pipeline/GTransformAttribute.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

namespace {

// The channel is polled once per this many bytes once that many were written.
constexpr std::uint32_t kPollInterval = 100000;

// BeginSession's measure (inch) and error report (back channel and error page); OpenDataSource's
// default source and binary data, low byte first; SetClipMode's non-zero winding; the custom media
// size unit, tenths of a millimetre.
constexpr std::uint8_t kMeasureInch = 0;
constexpr std::uint8_t kErrorReportBackChannelAndPage = 3;
constexpr std::uint8_t kSourceDefault = 0;
constexpr std::uint8_t kDataOrgBinaryLowByteFirst = 1;
constexpr std::uint8_t kClipNonZeroWinding = 0;
constexpr std::uint8_t kTenthsOfMillimetre = 2;

// The PCL XL orientation of a page's orientation in degrees: portrait 0, landscape 1 (90),
// reversed portrait 2 (180), reversed landscape 3 (270); any other angle is portrait.
std::uint8_t OrientationOf(std::uint16_t degrees) {
  switch (degrees) {
    case 90:
      return 1;
    case 180:
      return 2;
    case 270:
      return 3;
    default:
      return 0;
  }
}

// A length of `units` at `per_inch` units per inch in tenths of a millimetre, truncated and held
// to 16 bits. A resolution of 0 counts as 600 units per inch.
std::uint16_t TenthsOfMillimetre(std::int16_t units, std::uint16_t per_inch) {
  const double tenths =
      static_cast<double>(units) * 254.0 / static_cast<double>(per_inch != 0 ? per_inch : 600);
  if (tenths <= 0.0) {
    return 0;
  }
  return tenths >= 65535.0 ? 65535 : static_cast<std::uint16_t>(tenths);
}

// The stream header's comment: the copyright notice and the driver version "4.1.1.5".
std::string BannerComment() {
  std::uint32_t high = 0;
  std::uint32_t low = 0;
  vel::GetDriverVersion(&high, &low);
  char version[48];
  std::snprintf(version, sizeof version, "%u.%u.%u.%u", static_cast<unsigned>(high >> 16),
                static_cast<unsigned>(high & 0xFFFF), static_cast<unsigned>(low >> 16),
                static_cast<unsigned>(low & 0xFFFF));
  return std::string(vel::kPclXlCopyrightNotice) + ". Version " + version;
}

}  // namespace

RWClassID GKestrix::ClassId() {
  return vel::classid::kGKestrix;
}

RWCollectable* GKestrix::Create() {
  return new (std::nothrow) GKestrix;
}

GKestrix::GKestrix() {
  (void)ReplaceStream();
  MakeFontObjects();
  LoadDeviceFontList();
}

GKestrix::GKestrix(const RWCString& name,
                   GState* page_state,
                   GConfiguration* configuration,
                   std::uint32_t key,
                   std::uint32_t add_on_list_key,
                   std::int32_t add_on_kind,
                   std::int32_t add_on_mode)
    : GLanguagePeripheral(name, page_state, configuration, key, add_on_list_key, add_on_kind,
                          add_on_mode) {
  (void)ReplaceStream();
  MakeFontObjects();
  LoadDeviceFontList();
}

GKestrix::GKestrix(const GKestrix& other)
    : GLanguagePeripheral(other),
      GOutputFlushCallback(),
      text_mode_(other.text_mode_),
      pending_status_(other.pending_status_),
      output_enabled_(other.output_enabled_),
      resolution_x_(other.resolution_x_),
      resolution_y_(other.resolution_y_),
      color_mode_(other.color_mode_),
      scale_patterns_(other.scale_patterns_),
      halftone_flag_(other.halftone_flag_),
      compression_(other.compression_),
      dither_matrix_(other.dither_matrix_),
      path_x_(other.path_x_),
      path_y_(other.path_y_) {
  (void)ReplaceStream();
  MakeFontObjects();
  LoadDeviceFontList();
}

GKestrix& GKestrix::operator=(const GKestrix& other) {
  if (this == &other) {
    return *this;
  }
  GLanguagePeripheral::operator=(other);
  text_mode_ = other.text_mode_;
  pending_status_ = other.pending_status_;
  output_enabled_ = other.output_enabled_;
  resolution_x_ = other.resolution_x_;
  resolution_y_ = other.resolution_y_;
  color_mode_ = other.color_mode_;
  scale_patterns_ = other.scale_patterns_;
  halftone_flag_ = other.halftone_flag_;
  compression_ = other.compression_;
  dither_matrix_ = other.dither_matrix_;
  path_x_ = other.path_x_;
  path_y_ = other.path_y_;
  current_media_ = nullptr;
  (void)ReplaceStream();
  MakeFontObjects();
  LoadDeviceFontList();
  if (OwnsOutputChannel()) {
    DropOutputChannel();
  }
  return *this;
}

GKestrix::~GKestrix() {
  // The downloader lets go of its fonts before the stream they were written to goes.
  SetFontDownloader(nullptr);
  SetGlyphCodeMap(nullptr);
  (void)XLCloseStream(stream_);
  stream_ = nullptr;
}

RWCollectable* GKestrix::CreateInstance() const {
  return Create();
}

RWCollectable* GKestrix::Clone() const {
  return new (std::nothrow) GKestrix(*this);
}

RWClassID GKestrix::IsA() const {
  return ClassId();
}

bool GKestrix::IsKindOf(RWClassID id) const {
  return id == vel::classid::kGKestrix || GLanguagePeripheral::IsKindOf(id);
}

bool GKestrix::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  if (other == nullptr || other->IsA() != IsA() || !GLanguagePeripheral::IsSameKey(other)) {
    return false;
  }
  const auto* kestrix = static_cast<const GKestrix*>(other);
  return kestrix->text_mode_ == text_mode_ && kestrix->color_mode_ == color_mode_ &&
         kestrix->path_x_ == path_x_ && kestrix->path_y_ == path_y_;
}

std::uint16_t GKestrix::Accept(GTypedHandlers& handlers) {
  return handlers.HandleKestrix(*this);
}

bool GKestrix::ReplaceStream() {
  (void)XLCloseStream(stream_);
  stream_ = XLCreateStream(kStreamBufferSize, this, 0);
  stream_error_answered_ = false;
  return stream_ != nullptr;
}

void GKestrix::FlushStream() {
  XLFlushStream(stream_);
}

// The old list goes first, so that its fonts are let go of before new ones can be made.
void GKestrix::MakeFontObjects() {
  ++font_objects_made_;
  SetFontDownloader(nullptr);
  SetGlyphCodeMap(nullptr);
  SetFontDownloader(new (std::nothrow) GXLFontDownloader);
  SetGlyphCodeMap(new (std::nothrow) GXLGlyphCodeMap);
}

void GKestrix::EndFontJob() {
  if (GFontDownloader* downloader = FontDownloader()) {
    downloader->EndJob();
  }
}

bool GKestrix::HasFontModule() const {
  return vel::SettingValueOr(Configuration(), vel::key::kDetectedValue317, 0) != 0;
}

void GKestrix::Reset() {
  GLanguagePeripheral::Reset();
  MakeFontObjects();
}

void GKestrix::Update(GPeripheral* /*changed*/) {
  RebuildConfiguration();
  // The pages and texts that follow take their media look-ups and device fonts from the
  // configuration as it now is.
  ForgetLookups();
  LoadDeviceFontList();
  (void)RebuildSharedStates();
  GPeripheral::Update(this);
}

// ---------------------------------------------------------------------------------------------
// Output

std::int32_t GKestrix::Flush(XLStream* stream,
                             std::uintptr_t /*user_word*/,
                             const std::uint8_t* buffer,
                             std::int32_t byte_count) {
  if (byte_count <= 0) {
    return 0;
  }
  GOutputPort* channel = GetOutputChannel();
  if (output_enabled_ != 0) {
    std::uint16_t status = kOutputNoChannel;
    if (channel != nullptr) {
      std::uint32_t written = 0;
      status = channel->WriteRaw(buffer, static_cast<std::uint32_t>(byte_count), &written);
    }
    if (status != 0) {
      output_enabled_ = 0;
      if (pending_status_ == 0) {
        pending_status_ = status;
      }
    }
  }
  if (stream != nullptr) {
    stream->write_ptr = stream->buffer;
    stream->free_bytes = stream->size;
  }
  if (channel != nullptr) {
    const std::uint32_t count = channel->GetCount();
    if (count < kPollInterval) {
      (void)channel->IsClosed();
      last_flush_count_ = count;
    } else {
      (void)channel->IsClosed();
      if (count - last_flush_count_ > kPollInterval) {
        last_flush_count_ = count;
      }
    }
  }
  return 0;
}

std::uint16_t GKestrix::TakeStatus() {
  const std::uint16_t status = pending_status_;
  pending_status_ = 0;
  return status;
}

std::uint16_t GKestrix::TakeStatusWithStream() {
  std::uint16_t status = TakeStatus();
  if (stream_ != nullptr && stream_->error != kXLNoError && !stream_error_answered_) {
    stream_error_answered_ = true;
    if (status == 0) {
      status = kStreamFailed;
    }
  }
  return status;
}

// ---------------------------------------------------------------------------------------------
// Commands

GCommand* GKestrix::ProcessCommand(GCommand* command) {
  return HandleThenPassOn(command);
}

void GKestrix::ReadJobSettings() {
  GState* settings = InitStates(vel::key::kDocumentGroup);
  GConfiguration* configuration = Configuration();
  std::uint16_t value = 0;
  if (vel::ReadSettingValue(vel::FindSetting(settings, vel::key::kDocumentStartValue296), value)) {
    color_mode_ = value == 0 ? 1 : 0;
  }
  // The configuration's device font lists, as this job's configuration holds them. Without the font
  // memory module its fonts are not there; the module's list is skipped by every search of the
  // device font lists, and the configuration keeps it.
  LoadDeviceFontList();
  ReadJobResolution(settings, 600, resolution_x_, resolution_y_);
  if (vel::ReadSettingValue(vel::FindSetting(settings, vel::key::kScalePatterns), value)) {
    scale_patterns_ = value == 1 ? 1 : 0;
  }
  if (vel::ReadSettingValue(vel::FindSetting(settings, vel::key::kBitsPerPixel), value) &&
      value == 2) {
    halftone_flag_ = 1;
  }
  if (vel::ReadSettingValue(vel::FindSetting(settings, vel::key::kDocumentStartValue297), value)) {
    compression_ = static_cast<std::int16_t>(value);
  }
  if (const GBaseObject* matrices = vel::FindSetting(configuration, vel::key::kDitherMatrices)) {
    const std::unique_ptr<GIterator> it(matrices->CreateIterator());
    while (it && it->Advance() != 0) {
      const auto* matrix = dynamic_cast<const GDitherMatrix*>(it->Current());
      if (matrix != nullptr && matrix->GetId() == resolution_x_) {
        dither_matrix_ = matrix;
        break;
      }
    }
  }
}

std::uint16_t GKestrix::HandleDocumentStart(GDocumentStart& object) {
  // Every job starts afresh, whatever the last one's output did.
  output_enabled_ = 1;
  pending_status_ = 0;
  if (const std::uint16_t status = GLanguagePeripheral::HandleDocumentStart(object); status != 0) {
    return status;
  }
  if ((stream_ == nullptr || stream_->error != kXLNoError) && !ReplaceStream()) {
    return kStreamFailed;
  }
  stream_error_answered_ = false;
  ForgetLookups();
  const std::string banner = BannerComment();
  XLWriteStreamHeader(stream_, 2, 0, banner.data(), static_cast<std::uint32_t>(banner.size()));
  ReadJobSettings();
  XLBeginSessionErrorReport(stream_, resolution_x_, resolution_y_, kMeasureInch,
                            kErrorReportBackChannelAndPage);
  XLOpenDataSourceDataOrg(stream_, kSourceDefault, kDataOrgBinaryLowByteFirst);
  last_media_source_ = 0xFFFF;
  last_media_type_.clear();
  SetInDocument();
  return TakeStatus();
}

void GKestrix::ForgetLookups() {
  sources_.clear();
  names_.clear();
  paper_names_ = Lookup::kUnknown;
}

std::uint8_t GKestrix::MediaSourceOf(GBaseObject& tray) {
  std::uint16_t value = 0;
  (void)vel::ReadSettingValue(&tray, value);
  for (const SourceEntry& entry : sources_) {
    if (entry.tray == value) {
      return entry.source;
    }
  }
  std::uint16_t source = 0;
  auto* sources = dynamic_cast<MAssociationList*>(
      vel::FindSetting(Configuration(), vel::key::kTrayToMediaSource));
  if (sources != nullptr) {
    // The list's keys are value attributes of key 0.
    if (auto* lookup = dynamic_cast<GBaseObject*>(tray.Clone())) {
      lookup->SetKey(0);
      (void)vel::ReadSettingValue(dynamic_cast<GBaseObject*>(sources->FindValue(lookup)), source);
      delete lookup;
    }
  }
  sources_.push_back({value, static_cast<std::uint8_t>(source)});
  return static_cast<std::uint8_t>(source);
}

const RWCString* GKestrix::MediaSizeNameOf(std::int16_t paper_id) {
  for (const NameEntry& entry : names_) {
    if (entry.paper_id == paper_id) {
      return entry.found ? &entry.name : nullptr;
    }
  }
  auto* names = dynamic_cast<MAssociationList*>(
      vel::FindSetting(Configuration(), vel::key::kPaperToName));
  const GValueAttribute lookup(static_cast<std::uint16_t>(paper_id), 0);
  const auto* name =
      names != nullptr ? dynamic_cast<const GSelectionString*>(names->FindValue(&lookup)) : nullptr;
  names_.push_back({paper_id, name != nullptr, name != nullptr ? name->GetString() : RWCString()});
  return names_.back().found ? &names_.back().name : nullptr;
}

void GKestrix::WriteMedia(const GState* page) {
  GBaseObject* found = vel::FindSetting(page, vel::key::kSelectedMedia);
  if (found == nullptr || found->IsA() != vel::classid::kGMedia) {
    return;
  }
  if (paper_names_ == Lookup::kUnknown) {
    paper_names_ = vel::FindSetting(Configuration(), vel::key::kPaperToName) != nullptr
                       ? Lookup::kPresent
                       : Lookup::kAbsent;
  }
  if (paper_names_ == Lookup::kAbsent) {
    return;
  }
  const auto* media = static_cast<const GMedia*>(found);
  current_media_ = media;
  const RWCString& type = media->GetMediaType();
  const std::string_view type_bytes(type.Data(), type.Length());
  if (!type.IsNull() && type_bytes != last_media_type_) {
    XLUByteArray(stream_, reinterpret_cast<const std::uint8_t*>(type.Data()),
                 static_cast<std::uint32_t>(type.Length()));
    XLWriteAttribute(stream_, kXLAttrMediaType);
    last_media_type_.assign(type_bytes);
  }
  if (const RWCString* name = MediaSizeNameOf(media->GetPaperId())) {
    XLUByteArray(stream_, reinterpret_cast<const std::uint8_t*>(name->Data()),
                 static_cast<std::uint32_t>(name->Length()));
    XLWriteAttribute(stream_, kXLAttrMediaSize);
    return;
  }
  const std::int16_t* size = media->GetSize();
  XLUInt16XY(stream_, TenthsOfMillimetre(size[0], media->GetResolutionX()),
             TenthsOfMillimetre(size[1], media->GetResolutionY()));
  XLWriteAttribute(stream_, kXLAttrCustomMediaSize);
  XLUByte(stream_, kTenthsOfMillimetre);
  XLWriteAttribute(stream_, kXLAttrCustomMediaSizeUnits);
}

std::uint16_t GKestrix::HandlePageStart(GPageStart& object) {
  if (const std::uint16_t status = GLanguagePeripheral::HandlePageStart(object); status != 0) {
    return status;
  }
  if (stream_ == nullptr) {
    return kStreamFailed;
  }
  // The page's template of the graphic state replaces the last page's.
  TakePageGraphicState();
  GState* page = InitStates(vel::key::kPageGroup);
  if (const GBaseObject* transform = page != nullptr ? page->FindByClassId(
                                                           vel::classid::kGTransformAttribute)
                                                     : nullptr) {
    auto* copy = dynamic_cast<GAttribute*>(transform->DeepCopy());
    GState* graphics = InitStates(vel::key::kGraphicsGroup);
    if (copy != nullptr && graphics != nullptr) {
      copy->SetEnabled(1);
      graphics->SetAttribute(copy);
    } else {
      delete copy;
    }
  }
  // BeginPage gives the printer its default graphics state: the graphic group's attributes are
  // all sent again before the page's first graphic.
  if (GState* graphics = InitStates(vel::key::kGraphicsGroup)) {
    graphics->EnableAll();
  }
  ResetTextState();
  XLUByte(stream_, OrientationOf(vel::SettingValueOr(page, vel::key::kOrientation, 0)));
  XLWriteAttribute(stream_, kXLAttrOrientation);
  GBaseObject* tray = vel::FindSetting(page, vel::key::kTraySelection);
  std::uint16_t tray_value = 0;
  if (vel::ReadSettingValue(tray, tray_value) && tray_value != last_media_source_) {
    last_media_source_ = tray_value;
    XLUByte(stream_, MediaSourceOf(*tray));
    XLWriteAttribute(stream_, kXLAttrMediaSource);
  }
  WriteMedia(page);
  XLWriteOperator(stream_, kXLOpBeginPage);
  XLSetClipMode(stream_, kClipNonZeroWinding);
  SetInPage();
  return TakeStatus();
}

std::uint16_t GKestrix::HandlePageEnd(GPageEnd& /*object*/) {
  SetInDocument();
  if (stream_ == nullptr) {
    return kStreamFailed;
  }
  const std::uint16_t copies =
      vel::SettingValueOr(InitStates(vel::key::kPageGroup), vel::key::kPageCopies, 1);
  XLEndPageCopies(stream_, copies);
  FlushStream();
  SetPathDepth(0);
  SetClipPathFlag(0);
  current_media_ = nullptr;
  return TakeStatusWithStream();
}

std::uint16_t GKestrix::HandleDocumentEnd(GDocumentEnd& /*object*/) {
  SetIdle();
  if (stream_ == nullptr) {
    return kStreamFailed;
  }
  EndFontJob();
  XLCloseDataSource(stream_);
  XLEndSession(stream_);
  ResetTextState();
  FlushStream();
  SetInDocumentFlag(0);
  return EndJobOnChannel(TakeStatusWithStream());
}

std::uint16_t GKestrix::HandleJobAbort(GJobAbort& object) {
  SetIdle();
  if (GetInDocument() != 0 && stream_ != nullptr) {
    EndFontJob();
    XLCloseDataSource(stream_);
    XLEndSession(stream_);
    FlushStream();
  }
  if (GetInDocument() != 0) {
    ForgetDocument();
  }
  current_media_ = nullptr;
  (void)GPeripheral::HandleJobAbort(object);
  return TakeStatus();
}

std::uint16_t GKestrix::HandlePassThroughCommand(GPassThroughCommand& object) {
  if (object.GetTargetClassId() != vel::classid::kGKestrix) {
    return 0;
  }
  FlushStream();
  return WritePassThrough(object);
}

std::uint16_t GKestrix::HandleTransformAttribute(GTransformAttribute& object) {
  if (!IsInPage() || stream_ == nullptr) {
    return TakeStatus();
  }
  const GPoint origin = object.GetTranslation();
  const GScale scale = object.GetScale();
  XLSetPageDefaultCTM(stream_);
  XLSetPageOriginSInt16(stream_, origin.x, origin.y);
  XLSetPageRotationSInt16(stream_, object.GetRotation());
  XLSetPageScale(stream_, scale.x, scale.y);
  object.SetEnabled(0);
  return TakeStatus();
}

std::uint16_t GKestrix::HandleValueAttribute(GValueAttribute& /*object*/) {
  return TakeStatus();
}

std::uint16_t GKestrix::HandleStringAttribute(GStringAttribute& object) {
  if (const std::uint16_t status = GLanguagePeripheral::HandleStringAttribute(object);
      status != 0) {
    return status;
  }
  return TakeStatus();
}

std::uint16_t GKestrix::HandleEnumAttribute(GEnumAttribute& /*object*/) {
  return TakeStatus();
}

std::uint16_t GKestrix::HandleRangeAttribute(GRangeAttribute& /*object*/) {
  return TakeStatus();
}

// ---------------------------------------------------------------------------------------------
// Stored form

std::uint32_t GKestrix::StoredByteCount() const {
  return GLanguagePeripheral::StoredByteCount() + vel::kClassVersionSize + 2 + 2 + 4 + 2 + 2 + 4;
}

template <typename Carrier>
void GKestrix::Save(Carrier& carrier) const {
  GLanguagePeripheral::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  vel::WriteField(carrier, text_mode_);
  vel::WriteField(carrier, pending_status_);
  vel::WriteField(carrier, output_enabled_);
  vel::WriteField(carrier, resolution_x_);
  vel::WriteField(carrier, resolution_y_);
  vel::WriteField(carrier, color_mode_);
}

void GKestrix::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GKestrix::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
void GKestrix::Restore(Carrier& carrier) {
  GLanguagePeripheral::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  (void)ReplaceStream();
  MakeFontObjects();
  LoadDeviceFontList();
  std::int16_t text_mode = 0;
  std::uint16_t pending = 0;
  std::int32_t enabled = 0;
  std::uint16_t x = 0;
  std::uint16_t y = 0;
  std::int32_t color = 0;
  if (!vel::ReadField(carrier, text_mode) || !vel::ReadField(carrier, pending) ||
      !vel::ReadField(carrier, enabled) || !vel::ReadField(carrier, x) ||
      !vel::ReadField(carrier, y) || !vel::ReadField(carrier, color)) {
    vel::FailCarrier(carrier);
    return;
  }
  text_mode_ = text_mode;
  pending_status_ = pending;
  output_enabled_ = enabled;
  resolution_x_ = x;
  resolution_y_ = y;
  color_mode_ = color;
}

void GKestrix::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GKestrix::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}
