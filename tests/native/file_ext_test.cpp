#include "framework/file_ext.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(FileExt, AppendedUnlessAlreadyThereInAnyCase) {
  struct Case {
    const char* typed;
    const char* saved;
  } cases[] = {
      {"HALLE", "HALLE.OPR"},
      {"halle.opr", "halle.opr"},   // kept as typed
      {"Halle.oPr", "Halle.oPr"},
      {"halle.txt", "halle.txt.OPR"},  // another extension gets ours behind it
      {"halle.op", "halle.op.OPR"},
      {"OPR", "OPR.OPR"},
      {".OPR", ".OPR"},
      {"C:\\PROJ\\SAAL 1", "C:\\PROJ\\SAAL 1.OPR"},
      {"", ".OPR"},
      {"Bühne.Opr", "Bühne.Opr"},
  };
  for (const Case& c : cases) {
    char name[64];
    std::strcpy(name, c.typed);
    EXPECT_TRUE(file_ext_ensure(name, sizeof name, ".OPR")) << c.typed;
    EXPECT_STREQ(name, c.saved) << c.typed;
  }
}

TEST(FileExt, RefusesWhatDoesNotFitInsteadOfCutting) {
  char name[10] = "ABCDEF";  // 6 + 4 + NUL = 11 > 10
  EXPECT_FALSE(file_ext_ensure(name, sizeof name, ".OSB"));
  EXPECT_STREQ(name, "ABCDEF");
  char exact[11] = "ABCDEF";
  EXPECT_TRUE(file_ext_ensure(exact, sizeof exact, ".OSB"));
  EXPECT_STREQ(exact, "ABCDEF.OSB");
  char full[5] = "A.oa";  // already there: no room needed
  EXPECT_TRUE(file_ext_ensure(full, sizeof full, ".OA"));
}

TEST(FileExt, HasComparesTheEndOnly) {
  EXPECT_TRUE(file_ext_has("x.tcf", ".TCF"));
  EXPECT_FALSE(file_ext_has("x.tcfx", ".TCF"));
  EXPECT_FALSE(file_ext_has("cf", ".TCF"));
  EXPECT_TRUE(file_ext_has("anything", ""));
}
