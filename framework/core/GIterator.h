// GIterator: the framework's iterator protocol, which CreateIterator hands out (composites, pools,
// paper-handling devices and the record store), and GNullIterator, the iterator of an empty
// sequence that leaves answer with.
//
// An iterator starts before the first item. Advance moves to the next item and answers non-zero
// while there is one; past the end it answers 0 and the next Advance starts again at the first
// item. StepBack walks the other way.
#pragma once

class GBaseObject;
class GCountedPtr;

class GIterator {
 public:
  GIterator() = default;
  GIterator(const GIterator&) = delete;
  GIterator& operator=(const GIterator&) = delete;
  virtual ~GIterator() = default;

  // The current item, null when there is none.
  virtual GBaseObject* Current() const = 0;
  // Puts `object` in the current item's place; the sequence takes it over.
  virtual void ReplaceCurrent(GBaseObject* object) = 0;
  virtual int Advance() = 0;
  // Back to before the first item.
  virtual void Reset() = 0;
  // The current item as a counted reference (empty when there is none).
  virtual GCountedPtr CurrentRef() const = 0;
  // Takes the current item out of the sequence (dropping the sequence's reference); the next
  // Advance gives the item after it.
  virtual void RemoveCurrent() = 0;
  virtual void ReplaceCurrentRef(const GCountedPtr& reference) = 0;
  virtual int StepBack() = 0;
};

class GNullIterator : public GIterator {
 public:
  GBaseObject* Current() const override { return nullptr; }
  void ReplaceCurrent(GBaseObject* object) override;
  int Advance() override { return 0; }
  void Reset() override {}
  GCountedPtr CurrentRef() const override;
  void RemoveCurrent() override {}
  void ReplaceCurrentRef(const GCountedPtr& /*reference*/) override {}
  int StepBack() override { return 0; }
};
