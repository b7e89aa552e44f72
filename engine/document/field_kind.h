#pragma once
// What a form field is, as its type and flags make it.

// Field kind codes.
enum FieldKind : int {
  kFieldNone = 0,
  kFieldSignature = 4,
  kFieldHidden = 5,
  kFieldPushButton = 11,
  kFieldRadioButton = 12,
  kFieldCheckBox = 13,
  kFieldMultiLineText = 21,
  kFieldText = 22,
  kFieldReadOnlyText = 23,
  kFieldEditableCombo = 31,
  kFieldCombo = 32,
  kFieldList = 33,
};
