#include "bench/script_corpus.h"

namespace bench {

namespace {

std::string N(int v) { return std::to_string(v); }

}  // namespace

EventScriptPair EventScript(int index) {
  const int a = index % 97 + 1;
  const int b = index % 31 + 2;
  const int c = index % 13 + 1;
  const int d = index % 211 + 3;
  EventScriptPair p;
  switch (index % 4) {
    case 0:
      p.pascal = "// door " + N(index) + ": opens when the key is held\r\n"
                 "IF QZDB.Hall" + N(a) + ".Door.Vis = FALSE THEN BEGIN\r\n"
                 "  QZDB.Hall" + N(a) + ".Door.Vis := TRUE;\r\n"
                 "  PlaySnd('sounds\\door" + N(b) + ".wav');\r\n"
                 "  Counter := Counter + " + N(c) + ";\r\n"
                 "END ELSE SetScreen(QZDB.Room" + N(d) + ");\r\n";
      p.lua = "-- door " + N(index) + ": opens when the key is held\n"
              "if QZDB.Hall" + N(a) + ".Door.Vis == false then\n"
              "  QZDB.Hall" + N(a) + ".Door.Vis = true\n"
              "  PlaySnd('sounds\\\\door" + N(b) + ".wav')\n"
              "  Counter = Counter + " + N(c) + "\n"
              "else SetScreen(QZDB.Room" + N(d) + ") end\n";
      break;
    case 1:
      p.pascal = "X := 0; I := 0;\r\n"
                 "FOR I := 1 TO " + N(d) + " DO BEGIN\r\n"
                 "  X := X + I * " + N(c) + ";\r\n"
                 "  IF X > " + N(d * 50) + " THEN BREAK;\r\n"
                 "END;\r\n"
                 "QZDB.Panel" + N(a) + ".Score.Text := 'Score: ' + IntToStr(X);\r\n";
      p.lua = "X = 0 I = 0\n"
              "for I = 1, " + N(d) + " do\n"
              "  X = X + I * " + N(c) + "\n"
              "  if X > " + N(d * 50) + " then break end\n"
              "end\n"
              "QZDB.Panel" + N(a) + ".Score.Text = 'Score: ' .. IntToStr(X)\n";
      break;
    case 2:
      p.pascal = "{ hint for item " + N(index) + " }\r\n"
                 "IF (Step = " + N(c) + ") AND QZDB.Inv.Item" + N(b) + ".Vis THEN BEGIN\r\n"
                 "  Step := Step + 1;\r\n"
                 "  Hint.Text := \"HINT" + N(a) + "\";\r\n"
                 "  MoveTo(QZDB.Hall.Hand, " + N(d) + ", " + N(a * 3) + ", 30);\r\n"
                 "END;\r\n";
      p.lua = "-- hint for item " + N(index) + "\n"
              "if (Step == " + N(c) + ") and QZDB.Inv.Item" + N(b) + ".Vis then\n"
              "  Step = Step + 1\n"
              "  Hint.Text = Lookup('HINT" + N(a) + "')\n"
              "  MoveTo(QZDB.Hall.Hand, " + N(d) + ", " + N(a * 3) + ", 30)\n"
              "end\n";
      break;
    default:
      p.pascal = "CASE State" + N(b) + " OF\r\n"
                 "  0: BEGIN State" + N(b) + " := 1; Anim" + N(a) + ".Active := TRUE END;\r\n"
                 "  1, 2: State" + N(b) + " := State" + N(b) + " + 1;\r\n"
                 "  " + N(c + 2) + " .. " + N(c + 9) + ": AnimStart(QZDB.Anim" + N(a) + ");\r\n"
                 "  ELSE State" + N(b) + " := 0;\r\n"
                 "END;\r\n";
      p.lua = "if State" + N(b) + " == 0 then State" + N(b) + " = 1 Anim" + N(a) +
              ".Active = true\n"
              "elseif State" + N(b) + " == 1 or State" + N(b) + " == 2 then State" + N(b) +
              " = State" + N(b) + " + 1\n"
              "elseif State" + N(b) + " >= " + N(c + 2) + " and State" + N(b) + " <= " +
              N(c + 9) + " then AnimStart(QZDB.Anim" + N(a) + ")\n"
              "else State" + N(b) + " = 0 end\n";
      break;
  }
  return p;
}

}  // namespace bench
