// The names and numbers by which the integration module knows Outlook Express: window classes,
// the instance mutex, command and control identifiers, registry paths and values. Everything the
// stand-in shows or writes that a client may look for is named here once.
#pragma once

namespace oestand {

// Process and windows.
inline constexpr char kInstanceMutex[] = "OutlookExpress_InstanceMutex_101897";
inline constexpr char kSplashClass[] = "CIESplashScreen";
inline constexpr char kBrowserClass[] = "Outlook Express Browser Class";
inline constexpr char kFolderPaneClass[] = "ThorTreeViewWndClass";
inline constexpr char kMainTitle[] = "Outlook Express";

// Menu-bar commands.
enum : int {
  kCmdNewMail = 40100,
  kCmdOpen = 40101,
  kCmdSaveAs = 40102,
  kCmdFind = 40103,
  kCmdMoveFolder = 40104,
  kCmdResetList = 40105,     // rebuilds the folder list; also how clients ask for a tree refresh
  kCmdCopyFolder = 40106,
  kCmdNewFolder = 40107,
  kCmdRename = 40108,
  kCmdDeleteFolder = 40109,
  kCmdProperties = 40122,    // properties of the selected account or folder
  kCmdExit = 40130,
  kCmdSelectAll = 40131,
  kCmdMarkRead = 40132,
  kCmdMarkUnread = 40133,
  kCmdRefresh = 40134,
  kCmdLayout = 40135,
  kCmdColumns = 40136,
  kCmdSendReceiveAll = 40190,
  kCmdReceiveAll = 40191,
  kCmdSendAll = 40192,
  kCmdSynchronizeAll = 40196,
  kCmdAccounts = 40203,
  kCmdAddressBook = 40204,
  kCmdAddSender = 40205,
  kCmdOptions = 40206,
  kCmdHelpContents = 40226,
  kCmdReadMe = 40227,
  kCmdAbout = 40228,
  kCmdSetDefaultAccount = 40286,
  kCmdImapFolders = 40316,
  kCmdRulesMail = 40442,
  kCmdRulesNews = 40443,
  kCmdBlockedSenders = 40444,
  kCmdReply = 40450,
  kCmdForward = 40451,
};

// Accounts dialog.
enum : int { kIdcAccountsList = 2022, kIdcAccountsTab = 2023, kIdcAccountsProperties = 2021,
             kIdcAccountsRemove = 2024, kIdcAccountsDefault = 2025, kIdcAccountsClose = 2026 };
// Account property sheet, first page.
enum : int { kIdcAccountName = 2017, kIdcIncludeAccount = 2018, kIdcUserName = 2019,
             kIdcEmail = 2020, kIdcOrganization = 2027, kIdcReplyAddress = 2028 };
// Account property sheet, servers and advanced pages.
enum : int { kIdcIncomingServer = 2030, kIdcOutgoingServer = 2031, kIdcLogonName = 2032,
             kIdcPassword = 2033, kIdcSpa = 2034, kIdcPort = 2035, kIdcSecure = 2036,
             kIdcTimeout = 2037, kIdcServerType = 2038 };
// Folder property sheet.
enum : int { kIdcFolderName = 2040, kIdcFolderLocation = 2041, kIdcFolderIcon = 2042 };
// IMAP Folders dialog.
enum : int { kIdcImapFolderList = 2001, kIdcImapShow = 2002, kIdcImapAccounts = 2005,
             kIdcImapReset = 2007, kIdcImapHide = 1014, kIdcImapSearch = 1015,
             kIdcImapTabs = 1016, kIdcImapGoTo = 1020, kIdcImapSearchLabel = 1023,
             kIdcImapAccountsLabel = 1024 };

// Tree images: the pane's image list has these, 24 in all; accounts use 19.
enum : int {
  kImageRoot = 0, kImageLocalFolders = 1, kImageFolder = 2, kImageFolderOpen = 3, kImageInbox = 4,
  kImageOutbox = 5, kImageSent = 6, kImageDeleted = 7, kImageDrafts = 8, kImageContainer = 9,
  kImageNews = 10, kImageJunk = 11, kImagePublic = 12, kImageShared = 13, kImageBackup = 14,
  kImagePublicSmall = 15, kImageSync = 16, kImageOffline = 17, kImagePop3 = 18, kImageAccount = 19,
  kImageUser = 20, kImageServer = 21, kImageSearch = 22, kImageCalendar = 23, kImageCount = 24
};

// Registry.
inline constexpr char kOutlookExpressKey[] = "Software\\Microsoft\\Outlook Express";
inline constexpr char kInstallRootValue[] = "InstallRoot";
inline constexpr char kAppPathKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\msimn.exe";
inline constexpr char kClientsMailKey[] = "Software\\Clients\\Mail";
inline constexpr char kClientsMailOeKey[] = "Software\\Clients\\Mail\\Outlook Express";
inline constexpr char kMailClientName[] = "Outlook Express";
inline constexpr char kIdentitiesKey[] = "Identities";
inline constexpr char kLastUserIdValue[] = "Last User ID";
inline constexpr char kAccountsSubkey[] = "Software\\Microsoft\\Internet Account Manager\\Accounts";
inline constexpr char kAccountManagerKey[] = "Software\\Microsoft\\Internet Account Manager";
// The host's own switches (agent, splash time) for tests and the demo.
inline constexpr char kStandInKey[] = "Software\\Velor\\Stand-ins\\Outlook Express";

}  // namespace oestand
