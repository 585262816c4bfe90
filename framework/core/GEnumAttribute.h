// GEnumAttribute: an attribute whose children are the possible choices, all of one class, one of
// them current (the media pool and the tray pool are enumerations). The first choice added fixes
// the choice class and becomes current; later additions leave the current choice alone. A stage
// receives the whole enumeration through one handler: its choices are not replayed one by one.
//
// The current choice is always one of the children (or null): removing it moves it to the first
// remaining child, Clear and a restore's clearing drop it, and a restore ends with the current
// choice being a child. It is not a counted reference of its own; the children array keeps it
// alive. Changing the children through an iterator may take the current choice away: GetCurrent
// then answers null.
//
// Stored form: the group's, then
//   u32  class version word, 1
//        the current choice as an object record (a reference when it is one of the children just
//        written, the nil record for none)
//   u16  choice class id
#pragma once

#include <cstdint>

#include "framework/core/GAttributeComposite.h"

class GEnumAttribute : public GAttributeComposite {
 public:
  GEnumAttribute() = default;
  explicit GEnumAttribute(std::uint32_t key) : GAttributeComposite(key) {}
  // The group's copy (the choices are shared); the source's current choice when it is one of the
  // source's choices, else none; the same choice class.
  GEnumAttribute(const GEnumAttribute& other);
  GEnumAttribute& operator=(const GEnumAttribute& other) = delete;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The group's + 4 + the current choice's record (6 for none) + 2.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // Equal groups of the same class, both without a current choice or with equal ones, and the
  // same choice class.
  bool IsSameKey(const GBaseObject* other) const override;
  // Ownership passes to the enumeration. Refused (destroyed unless a counted reference or this
  // enumeration holds it): an object that is not an attribute, one of another class than the
  // choice class, and one equal to a choice (a choice added again stays as it is). Otherwise it is
  // appended, and becomes current when there is none.
  void Add(GBaseObject* object) override;
  // The group's removal; when the current choice is no longer a choice afterwards, the first
  // remaining choice becomes current (none when none remain).
  GBaseObject* RemoveObject(const GBaseObject* object) override;
  // RemoveObject of FindByKey, respectively FindByClassId.
  GBaseObject* RemoveByKey(std::uint32_t key) override;
  GBaseObject* RemoveByClassId(RWClassID id) override;
  // The group's Clear; no current choice (the choice class stays).
  void Clear() override;
  // 764 for every enumeration.
  RWClassID CategoryId() const override;
  // Nothing: an enumeration is not merged. Answers 0.
  std::int32_t UpdateFrom(GAttribute* other) override;
  // HandleEnumAttribute with the enumeration; then its enabled flag becomes 0.
  [[nodiscard]] std::uint16_t Accept(GTypedHandlers& handlers) override;

  // The choice that is `object` or equal to it becomes current and is answered; null (the current
  // choice unchanged) when there is none.
  GBaseObject* Select(const GBaseObject* object);
  // The choice after, respectively before, the current one becomes current; nothing at the end or
  // when there is no current choice.
  void SelectNext();
  void SelectPrevious();
  // The current choice, or null.
  GBaseObject* GetCurrent() const;
  RWClassID GetChoiceClassId() const { return choice_class_; }

  static RWClassID ClassId();
  static const char* ClassName() { return "GEnumAttribute"; }
  static RWCollectable* Create();

 private:
  // The index of `object` among the choices, or kNotFound. Compares addresses only.
  std::uint32_t ChoiceIndex(const GBaseObject* object) const;
  template <typename Carrier>
  void Save(Carrier& carrier) const;
  template <typename Carrier>
  void Restore(Carrier& carrier);

  GBaseObject* current_ = nullptr;
  RWClassID choice_class_ = 0;
};
