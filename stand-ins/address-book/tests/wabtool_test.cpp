// wabtool's commands, run in the test's process against a scratch store and registry.
#include "tool/commands.h"
#include "wab_client.h"

namespace {

class WabtoolTest : public WabTest {
 protected:
  int Run(std::vector<std::string> args) {
    out_.clear();
    err_.clear();
    return wabtool::Run(args, &out_, &err_);
  }
  std::string out_, err_;
};

TEST_F(WabtoolTest, InstallsAndUninstallsTheDllPath) {
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\WAB\\DLLPath");
  ASSERT_EQ(0, Run({"uninstall"}));
  EXPECT_EQ("nothing was installed\n", out_);
  EXPECT_EQ(1, Run({"install", "C:\\no\\such.dll"}));

  ASSERT_EQ(0, Run({"install", StandInDllPath()})) << err_;
  // A client now finds the library exactly as programs do.
  ASSERT_EQ(S_OK, Open());
  Close();
  ASSERT_EQ(0, Run({"uninstall"}));
  EXPECT_EQ("uninstalled\n", out_);
  HKEY key;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_LOCAL_MACHINE,
                                                "Software\\Microsoft\\WAB\\DLLPath", 0, KEY_READ, &key));
  EXPECT_NE(S_OK, Open());
}

TEST_F(WabtoolTest, SeedsFoldersAndContactsThatClientsRead) {
  ASSERT_EQ(0, Run({"mkfolder", "Velor Public"})) << err_;
  EXPECT_EQ(1, Run({"mkfolder", "velor public"}));  // names are unique regardless of case
  ASSERT_EQ(0, Run({"add", "Velor Public", "PR_DISPLAY_NAME=Rita Roe", "PR_EMAIL_ADDRESS=rita@example.org",
                    "PR_CONTACT_EMAIL_ADDRESSES+=rita@example.org",
                    "PR_CONTACT_EMAIL_ADDRESSES+=r.roe@example.org", "0x64010003=12"}))
      << err_;
  ASSERT_EQ(0, Run({"add", "Velor Public", "PR_DISPLAY_NAME=Sam Poe"}));
  ASSERT_EQ(0, Run({"addlist", "Velor Public", "Everyone", "Rita Roe", "Sam Poe"})) << err_;

  ASSERT_EQ(0, Run({"list", "Velor Public"}));
  EXPECT_NE(std::string::npos, out_.find(" list Everyone\n"));
  EXPECT_NE(std::string::npos, out_.find(" user Rita Roe <rita@example.org>\n"));

  ASSERT_EQ(S_OK, Open());
  Ref<IABContainer> folder = OpenFolder("Velor Public");
  auto rows = Contents(folder.get(), {PR_DISPLAY_NAME_A, PR_OBJECT_TYPE, PR_CONTACT_EMAIL_ADDRESSES_A,
                                      PROP_TAG(PT_LONG, 0x6401)});
  ASSERT_EQ(3u, rows.size());
  EXPECT_EQ(MAPI_DISTLIST, static_cast<ULONG>(rows[0][PROP_ID(PR_OBJECT_TYPE)].number));
  EXPECT_EQ("rita@example.org;r.roe@example.org;", rows[1][PROP_ID(PR_CONTACT_EMAIL_ADDRESSES_A)].bytes);
  EXPECT_EQ(12, rows[1][0x6401].number);
}

TEST_F(WabtoolTest, DumpIsOrderedByTagWithTypedValues) {
  ASSERT_EQ(0, Run({"add", "Shared Contacts", "PR_DISPLAY_NAME=Tom \"T\" Tee", "PR_COMMENT=a\nb",
                    "64020003=-3", "PR_CONTACT_EMAIL_ADDRESSES+=t@example.org"}));
  ASSERT_EQ(0, Run({"dump", "Shared Contacts"}));
  size_t name = out_.find("    3001001E PR_DISPLAY_NAME = \"Tom \\\"T\\\" Tee\"\n");
  size_t comment = out_.find("    3004001E PR_COMMENT = \"a\\x0Ab\"\n");
  size_t list = out_.find("    3A56101E PR_CONTACT_EMAIL_ADDRESSES = [\"t@example.org\"]\n");
  size_t app = out_.find("    64020003 = -3\n");
  ASSERT_NE(std::string::npos, name) << out_;
  ASSERT_NE(std::string::npos, comment) << out_;
  ASSERT_NE(std::string::npos, list) << out_;
  ASSERT_NE(std::string::npos, app) << out_;
  EXPECT_LT(name, comment);
  EXPECT_LT(comment, list);
  EXPECT_LT(list, app);
  EXPECT_NE(std::string::npos, out_.find("PR_LAST_MODIFICATION_TIME = 20"));

  std::string first = out_;
  ASSERT_EQ(0, Run({"dump", "Shared Contacts"}));
  EXPECT_EQ(first, out_);
}

TEST_F(WabtoolTest, EditsAndDeletesByNameOrId) {
  ASSERT_EQ(0, Run({"add", "Shared Contacts", "PR_DISPLAY_NAME=Uma", "PR_COMMENT=note"}));
  std::string id = out_.substr(0, out_.size() - 1);
  ASSERT_EQ(0, Run({"edit", "uma", "-PR_COMMENT", "PR_NICKNAME=U"})) << err_;
  ASSERT_EQ(0, Run({"dump"}));
  EXPECT_EQ(std::string::npos, out_.find("PR_COMMENT"));
  EXPECT_NE(std::string::npos, out_.find("PR_NICKNAME = \"U\""));

  ASSERT_EQ(0, Run({"add", "Shared Contacts", "PR_DISPLAY_NAME=Uma"}));
  EXPECT_EQ(1, Run({"delete", "Uma"}));  // two of that name now: the id must be given
  ASSERT_EQ(0, Run({"delete", id})) << err_;
  ASSERT_EQ(0, Run({"list", "Shared Contacts"}));
  EXPECT_EQ(std::string::npos, out_.find(id));
  EXPECT_NE(std::string::npos, out_.find(" user Uma\n"));
}

TEST_F(WabtoolTest, WhereNamesTheRegisteredStoreWithoutCreatingIt) {
  ASSERT_EQ(0, Run({"where"}));
  EXPECT_EQ("store " + storePath_ + "\ndll " + StandInDllPath() + "\n", out_);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(storePath_.c_str()));
}

TEST_F(WabtoolTest, RefusesWhatItCannotDo) {
  EXPECT_EQ(2, Run({}));
  EXPECT_EQ(2, Run({"frobnicate"}));
  EXPECT_EQ(2, Run({"list"}));
  EXPECT_EQ(1, Run({"list", "No Such Folder"}));
  EXPECT_EQ(2, Run({"add", "Shared Contacts", "PR_ENTRYID=00"}));
  EXPECT_EQ(2, Run({"add", "Shared Contacts", "0x64010003=twelve"}));
  EXPECT_EQ(1, Run({"edit", "Nobody", "PR_COMMENT=x"}));
}

}  // namespace
