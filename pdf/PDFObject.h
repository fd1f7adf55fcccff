// The base class of every PDF object and the helpers to test an object's class.
//
// A TPDFObject is always made by a TPDFStructure (the object store), which
// registers it in its pool and is the only owner: nothing else deletes an
// object. Containers (arrays, dictionaries, streams) only refer to their
// members, so one object may sit in several places. Look-ups in the component
// hand out plain pointers; a null pointer means "nothing" (missing key, index
// out of range, unresolvable reference), and callers test the class of what
// they get with PDFAs<T>.
//
// Objects and their store are used by one thread at a time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tessaly::pdf {

class TPDFStructure;

// Deeper nesting than this is not followed: the parser yields nothing for a
// container nested deeper (so no input exhausts the stack), and the recursive
// walks (AsText, Renumber, Release) stop there, which also ends any cycle
// that code built by hand.
inline constexpr int kMaxNestingDepth = 512;

class TPDFObject {
 public:
  virtual ~TPDFObject() = default;
  TPDFObject(const TPDFObject&) = delete;
  TPDFObject& operator=(const TPDFObject&) = delete;

  // The object's PDF text (the exact forms are given per class).
  std::string AsText() const;
  // Gives the object back to its store: when the store may free it (see
  // TPDFStructure::ReleaseObject), its members are detached first and then
  // released in turn; otherwise nothing changes at all.
  void Release();
  // References add Delta to their object number; containers pass it on to
  // their values and items (not to dictionary keys); other classes ignore it.
  void Renumber(std::int32_t delta) { RenumberAt(delta, 0); }
  // True when `obj` is a direct member of this object (a key or value of a
  // dictionary, an item of an array, a stream's dictionary), by identity.
  virtual bool RefersTo(const TPDFObject* obj) const;
  // How many places in containers hold this object as a direct member (an
  // object twice in one array counts twice). The store frees only objects
  // that no container holds, so releasing needs no search over the store.
  std::int32_t Holders() const { return holders_; }

  TPDFStructure& Owner() const { return *owner_; }
  bool IsIndirect() const { return isIndirect_; }
  std::int32_t IndObjNum() const { return indObjNum_; }
  std::int32_t IndGenNum() const { return indGenNum_; }
  // Marks the object as the body of indirect object (objNum, genNum); the
  // document loader calls this.
  void MarkIndirect(std::int32_t objNum, std::int32_t genNum);

  // Appends the text form to `out`; `depth` counts enclosing containers.
  // An object nested deeper than kMaxNestingDepth writes "null".
  virtual void AppendText(std::string& out, int depth) const = 0;
  // Moves the object's members into `out` and leaves it empty (used by
  // Release so a member is no longer held by this object when it is freed).
  virtual void DetachMembers(std::vector<TPDFObject*>& out);
  // Renumber with a depth count, so hand-built cycles end.
  virtual void RenumberAt(std::int32_t delta, int depth);

 protected:
  explicit TPDFObject(TPDFStructure& owner) : owner_(&owner) {}
  // Containers count each member they take in and let go of.
  static void Hold(TPDFObject* obj) {
    if (obj) ++obj->holders_;
  }
  static void Drop(TPDFObject* obj) {
    if (obj) --obj->holders_;
  }

 private:
  friend class TPDFStructure;
  TPDFStructure* owner_;
  std::int32_t holders_ = 0;
  // The object's pool slot, kept up to date by the store.
  std::int32_t slot_ = -1;
  bool isIndirect_ = false;
  std::int32_t indObjNum_ = 0;
  std::int32_t indGenNum_ = 0;
};

// `obj` as a T when it is one, else nullptr (also for a null `obj`).
template <class T>
T* PDFAs(TPDFObject* obj) {
  return dynamic_cast<T*>(obj);
}
template <class T>
const T* PDFAs(const TPDFObject* obj) {
  return dynamic_cast<const T*>(obj);
}

}  // namespace tessaly::pdf
