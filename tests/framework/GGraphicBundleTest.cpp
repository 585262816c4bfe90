// The graphic bundle: its key, the typed setters, take and find operations, the order in which a
// changed attribute is filed, sharing between copies, and its stored form.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/pipeline/GBrush.h"
#include "framework/pipeline/GCap.h"
#include "framework/pipeline/GClipToPage.h"
#include "framework/pipeline/GFillMode.h"
#include "framework/pipeline/GGraphicBundle.h"
#include "framework/pipeline/GJoint.h"
#include "framework/pipeline/GPen.h"
#include "framework/pipeline/GRasterOperation.h"
#include "tests/support/FwPersistHarness.h"

namespace {

namespace classid = vel::classid;
namespace key = vel::key;

// A pen that says when it goes.
class ProbePen : public GNoPen {
 public:
  explicit ProbePen(int* destroyed) : destroyed_(destroyed) {}
  ~ProbePen() override { ++*destroyed_; }

 private:
  int* destroyed_;
};

GGraphicBundle* PenAndBrush() {
  auto* bundle = new GGraphicBundle;
  bundle->SetPen(new GNoPen);
  bundle->SetBrush(new GNoBrush);
  return bundle;
}

FW_PERSIST_SAMPLES(classid::kGGraphicBundle,
                   {{"graphic bundle pen and brush", [] { return PenAndBrush(); }}});

TEST(GGraphicBundleTest, NewBundleHasTheGraphicKeyAndNothingInIt) {
  for (const GGraphicBundle& bundle : {GGraphicBundle(), GGraphicBundle(99)}) {
    EXPECT_EQ(bundle.GetKey(), key::kGraphicsGroup);
    EXPECT_EQ(bundle.Count(), 0u);
    EXPECT_EQ(bundle.GetBrush(), nullptr);
    EXPECT_EQ(bundle.GetCap(), nullptr);
    EXPECT_EQ(bundle.GetClip(), nullptr);
    EXPECT_EQ(bundle.GetFillMode(), nullptr);
    EXPECT_EQ(bundle.GetJoint(), nullptr);
    EXPECT_EQ(bundle.GetPen(), nullptr);
    EXPECT_EQ(bundle.GetRasterOperation(), nullptr);
  }
  for (const RWClassID id : {101, 758, 757, 753, 751}) {
    EXPECT_TRUE(GGraphicBundle().IsKindOf(id)) << id;
  }
}

TEST(GGraphicBundleTest, EachSetterForcesItsKey) {
  GGraphicBundle bundle;
  auto* brush = new GNoBrush(1);
  auto* cap = new GCap(0, 2);
  auto* clip = new GClipToPage(3);
  auto* fill = new GFillMode;
  auto* joint = new GJoint(1, 5);
  auto* pen = new GNoPen(6);
  auto* rop = new GRasterOperation;
  fill->SetKey(4);
  rop->SetKey(7);
  bundle.SetBrush(brush);
  bundle.SetCap(cap);
  bundle.SetClip(clip);
  bundle.SetFillMode(fill);
  bundle.SetJoint(joint);
  bundle.SetPen(pen);
  bundle.SetRasterOperation(rop);
  const std::vector<std::pair<GBaseObject*, std::uint32_t>> expected = {
      {brush, 154}, {cap, 166}, {clip, 177}, {fill, 182}, {joint, 172}, {pen, 160}, {rop, 183}};
  for (const auto& [attribute, forced] : expected) {
    EXPECT_EQ(attribute->GetKey(), forced);
  }
  EXPECT_EQ(bundle.GetBrush(), brush);
  EXPECT_EQ(bundle.GetCap(), cap);
  EXPECT_EQ(bundle.GetClip(), clip);
  EXPECT_EQ(bundle.GetFillMode(), fill);
  EXPECT_EQ(bundle.GetJoint(), joint);
  EXPECT_EQ(bundle.GetPen(), pen);
  EXPECT_EQ(bundle.GetRasterOperation(), rop);
  EXPECT_EQ(bundle.Count(), 7u);

  std::unique_ptr<GClipAttribute> taken(bundle.TakeClip());
  EXPECT_EQ(taken.get(), clip);
  EXPECT_EQ(bundle.GetClip(), nullptr);
  EXPECT_EQ(bundle.TakeClip(), nullptr);
  EXPECT_EQ(std::unique_ptr<GRasterOperation>(bundle.TakeRasterOperation()).get(), rop);
  EXPECT_EQ(std::unique_ptr<GCap>(bundle.TakeCap()).get(), cap);
  EXPECT_EQ(bundle.Count(), 4u);
}

TEST(GGraphicBundleTest, EqualPenKeepsTheOldOneAndADifferentOneReplacesIt) {
  int destroyed = 0;
  GGraphicBundle bundle;
  auto* first = new GNoPen;
  bundle.SetPen(first);
  bundle.SetPen(new ProbePen(&destroyed));  // equal: refused
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(bundle.GetPen(), first);
  bundle.SetPen(first);  // the held pen again: nothing
  EXPECT_EQ(bundle.GetPen(), first);

  auto* wider = new GNoPen(1);  // width 1: different
  bundle.SetPen(wider);
  EXPECT_EQ(bundle.GetPen(), wider);
  EXPECT_EQ(bundle.Count(), 1u);
}

TEST(GGraphicBundleTest, ChangedAttributeIsFiledBehindTheNextChild) {
  GGraphicBundle bundle;
  bundle.SetPen(new GNoPen);
  bundle.SetBrush(new GNoBrush);
  bundle.SetCap(new GCap(0, 0));
  bundle.SetJoint(new GJoint(1, 0));
  auto* pen = new GNoPen(1);
  bundle.SetPen(pen);
  std::vector<RWClassID> order;
  for (std::uint32_t i = 0; i < bundle.Count(); ++i) {
    order.push_back(bundle.ChildAt(i)->IsA());
  }
  EXPECT_EQ(order, (std::vector<RWClassID>{classid::kGNoBrush, classid::kGCap, classid::kGNoPen,
                                           classid::kGJoint}));
  EXPECT_EQ(bundle.ChildAt(2), pen);

  // The last child changed: appended.
  bundle.SetJoint(new GJoint(2, 0));
  EXPECT_EQ(bundle.ChildAt(3)->IsA(), classid::kGJoint);
}

TEST(GGraphicBundleTest, CopySharesTheAttributes) {
  std::unique_ptr<GGraphicBundle> original(PenAndBrush());
  original->SetSerialNumber(42);
  GGraphicBundle copy(*original);
  EXPECT_EQ(copy.GetKey(), original->GetKey());
  EXPECT_EQ(copy.SerialNumber(), 42u);
  EXPECT_EQ(copy.GetPen(), original->GetPen());
  EXPECT_EQ(copy.GetBrush(), original->GetBrush());

  GPen* pen = original->GetPen();
  std::unique_ptr<GPen> taken(copy.TakePen());
  ASSERT_NE(taken, nullptr);
  EXPECT_NE(taken.get(), pen);  // the copy's own: the original still holds the pen
  EXPECT_EQ(copy.GetPen(), nullptr);
  EXPECT_EQ(original->GetPen(), pen);
}

TEST(GGraphicBundleTest, StoredSizes) {
  EXPECT_EQ(GGraphicBundle().StoredByteCount(), 36u);
  std::unique_ptr<GGraphicBundle> bundle(PenAndBrush());
  EXPECT_EQ(bundle->StoredByteCount(), 118u);
}

}  // namespace
