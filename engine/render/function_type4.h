#pragma once
// PostScript calculator function. The program is compiled once into a flat list of operations
// in which the procedures of if and ifelse become conditional jumps.

#include <string_view>

#include "engine/render/function.h"

class C_PDF_Function_Type4 : public C_PDF_Function {
 public:
  // Programs longer than this, with more operations, or with procedures nested deeper, are
  // unreadable.
  static constexpr std::size_t kMaxProgramBytes = std::size_t{1} << 20;
  static constexpr std::size_t kMaxOperations = 65536;
  static constexpr int kMaxProcedureNesting = 64;
  // Writers rely on 100 entries; copy can double the stack per operation, so the growable stack
  // stops here and the evaluation fails.
  static constexpr std::size_t kMaxOperandStack = 10000;

  enum class Code : uint8_t {
    Push,
    Abs,
    Add,
    Atan,
    Ceiling,
    Cos,
    Cvi,
    Cvr,
    Div,
    Exp,
    Floor,
    Idiv,
    Ln,
    Log,
    Mod,
    Mul,
    Neg,
    Round,
    Sin,
    Sqrt,
    Sub,
    Truncate,
    And,
    Bitshift,
    Eq,
    Ge,
    Gt,
    Le,
    Lt,
    Ne,
    Not,
    Or,
    Xor,
    Copy,
    Dup,
    Exch,
    Index,
    Pop,
    Roll,
    JumpIfFalse,  // pops the condition; skips `jump` operations when it is zero
    Jump,         // skips `jump` operations
  };
  struct Operation {
    Code code = Code::Push;
    bool boolean = false;  // Push of true or false
    int32_t jump = 0;
    double value = 0.0;
  };

  int evaluate(std::span<const double> inputs) override;
  bool parse(const PdfObject& dictionary, std::span<const uint8_t> data,
             FunctionBuildContext& context) override;

  // Compiles program text ("{ ... }") into operations; false for anything that is not a valid
  // calculator program.
  bool compile(std::string_view program);
  const std::vector<Operation>& operations() const { return operations_; }

 private:
  struct Value {
    double number;
    bool boolean;  // true and false, and the results of comparisons
  };
  bool run();

  std::vector<Operation> operations_;
  std::vector<Value> stack_;
};
