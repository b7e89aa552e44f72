#pragma once
// The link annotations of a page and what each one does, read for the viewer: where a GoTo
// leads, the address of a URI, the name of a Named action. Launch and JavaScript actions are
// recognised so that they can be refused; nothing here runs them.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/document/destination.h"

class ObjectResolver;

struct LinkTarget {
  enum class Kind { None, GoTo, URI, Named, GoToRemote, Launch, JavaScript, Other };

  Kind kind = Kind::None;
  PdfDestination destination;  // GoTo
  std::string uri;             // URI: the address's bytes without blanks and control bytes
  std::string name;            // Named: NextPage, PrevPage, FirstPage, LastPage ...
};

struct LinkAnnotation {
  // The rectangle in default user space, normalised: x1 <= x2, y1 <= y2.
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  LinkTarget target;
};

// Links a page keeps at most; an address longer than this is cut.
inline constexpr std::size_t kMaxPageLinks = 10000;
inline constexpr std::size_t kMaxUriLength = 4096;

// What an action dictionary (or a reference to one) does. Next chains are not followed: the
// first action is the link's meaning. A direct action belongs to the object (ownerNumber,
// ownerGeneration), whose key decrypts its strings.
LinkTarget readLinkAction(const PdfObject& action, ObjectResolver& resolver,
                          DestinationReader& destinations, int32_t ownerNumber = -1,
                          int32_t ownerGeneration = 0);

// The page's Link annotations from its Annots value, in the order of the array. Annotations
// without a rectangle or without any target are left out.
std::vector<LinkAnnotation> readPageLinks(const PdfObject& annots, ObjectResolver& resolver,
                                          DestinationReader& destinations);
