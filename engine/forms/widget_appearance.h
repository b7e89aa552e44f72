#pragma once
// The appearance of a form widget built from its field: the value with the field's DA, Q,
// MaxLen, flags and font, and the widget's MK colours and border.

#include <optional>
#include <string_view>

#include "engine/forms/built_appearance.h"

// Parents read above a widget for inherited entries at most.
inline constexpr int kMaxFieldParents = 32;

// The entry of the widget or its nearest parent that has it; None when none has.
PdfObject inheritedEntry(const PdfObject& widget, const char* key, const AnnotationValues& values);

// Whether the widget's field shows text (text and choice fields), whose appearance readers
// rebuild when the form asks for appearances (NeedAppearances).
bool isTextField(const PdfObject& widget, const AnnotationValues& values);

// Tokens of an appearance stream read at most when looking for the text it shows.
inline constexpr std::size_t kMaxAppearanceTokens = 100000;

// Whether the content of a text field's appearance stream shows the field's value: the strings
// its text operators show are, spaces and line breaks aside, the value's bytes. An appearance
// made for another value (or, for a value, one that shows nothing) does not.
bool appearanceShowsValue(std::string_view content, const PdfObject& widget,
                          const AnnotationValues& values);

// acroForm is the form dictionary of the document (None when it has none); nullopt for
// signature fields and widgets without a usable Rect.
std::optional<BuiltAppearance> buildWidgetAppearance(const PdfObject& widget,
                                                     const PdfObject& acroForm,
                                                     const AnnotationValues& values);
