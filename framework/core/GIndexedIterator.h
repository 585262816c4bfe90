// GIndexedIterator: the iterator over a composite's children (an indexed array of counted
// references). It keeps the array and an index that is -1 before the first child and after the
// last one.
#pragma once

#include <cstdint>

#include "framework/core/GIterator.h"

class GCountedPtrArray;

class GIndexedIterator : public GIterator {
 public:
  // `children` must outlive the iterator.
  explicit GIndexedIterator(GCountedPtrArray& children) : children_(children) {}

  GBaseObject* Current() const override;
  // Holds `object` in the current entry; without a current entry the object is refused.
  void ReplaceCurrent(GBaseObject* object) override;
  // Steps to the next index: 1 while it is below the count, else the index becomes -1 and 0.
  int Advance() override;
  void Reset() override { index_ = -1; }
  GCountedPtr CurrentRef() const override;
  void RemoveCurrent() override;
  void ReplaceCurrentRef(const GCountedPtr& reference) override;
  // Steps to the previous index (from -1 to the last child): 1 while there is one, else -1 and 0.
  int StepBack() override;

  std::int32_t Index() const { return index_; }

 protected:
  bool HasCurrent() const;
  GCountedPtrArray& Children() const { return children_; }
  void SetIndex(std::int32_t index) { index_ = index; }

 private:
  GCountedPtrArray& children_;
  std::int32_t index_ = -1;
};
