// The main window's calculator: its three field texts and the operations on them.
#pragma once

#include <string>

class Desktop;

class CalculatorModel {
 public:
  // Where the input focus goes after an operation that finished.
  enum class Focus { kFirst, kSecond, kUnchanged };

  explicit CalculatorModel(Desktop& desktop) : desktop_(desktop) {}

  // The field texts, as the widgets hold them. An operation reads them when it runs and writes
  // only the fields it writes; an operation that throws has written nothing.
  std::string first;
  std::string second;
  std::string answer;

  Focus Button1Click();   // add
  Focus Button2Click();   // subtract
  Focus Button4Click();   // multiply
  Focus Button5Click();   // divide
  Focus Button12Click();  // percent
  Focus Button13Click();  // square
  Focus Button10Click();  // round
  Focus Button7Click();   // pi
  Focus Button8Click();   // first -> second
  Focus Button9Click();   // second -> first
  Focus Button3Click();   // answer -> first
  Focus Button11Click();  // swap operands
  Focus N18Click();       // clear all
  Focus Button6Click();   // clear all, then focus first
  Focus Edit1DblClick();
  Focus Edit2DblClick();
  Focus Edit3DblClick();

 private:
  Desktop& desktop_;
};
