#pragma once
// Appearances of form fields built from their values: text fields (single and multi-line,
// comb, password), combo and list boxes, check boxes, radio buttons and push-button captions.

#include <array>
#include <string>
#include <vector>

#include "engine/forms/appearance_text.h"
#include "engine/forms/built_appearance.h"

struct FieldAppearanceInput {
  int kind = 0;        // a FieldKind code
  int fieldFlags = 0;  // Ff
  double width = 0, height = 0;
  std::string da;  // the DA string that applies (the field's, inherited, or the form's)
  int quadding = 0;
  int maxLen = 0;
  // Text as WinAnsi bytes (or the codes of the field's simple font).
  std::string value;
  std::vector<std::string> options;  // display texts of a list box
  std::vector<bool> selected;        // per option
  int topIndex = 0;
  bool checked = false;
  bool radio = false;
  std::string caption;  // a push button's, or the check box's MK CA symbol
  std::vector<double> background, borderColour;
  double borderWidth = 1;
  std::string borderStyle;  // S of BS: S, D, B, I, U
  // The font resource the DA names, from the form's DR; None when it has none (Helvetica is
  // used then, under the DA's name).
  PdfObject font;
  FontWidths widths;
};

// Field flags the appearance depends on.
inline constexpr int kFieldFlagMultiline = 1 << 12;
inline constexpr int kFieldFlagPassword = 1 << 13;
inline constexpr int kFieldFlagComb = 1 << 24;
// Comb cells at most.
inline constexpr int kMaxCombCells = 500;

// The appearance in the widget's own space, [0 0 width height].
BuiltAppearance buildFieldAppearance(const FieldAppearanceInput& input);
