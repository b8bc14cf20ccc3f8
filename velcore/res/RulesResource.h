// Identifiers of the mail-rules windows' resources: the rules window, the rule editor, the
// script editor and the value dialogs, their controls and messages. Plain #defines, read by the
// resource compiler and the C++ code alike.
#pragma once

// Messages
#define IDS_RULES_SCRIPT_ERROR 3300          // "The script contains error."
#define IDS_RULES_ERROR_DETAILS 3301         // "Error details:\nLine %d: %s"
#define IDS_RULES_EDIT_MANUALLY 3302         // "Would you like to edit the script manually ?"
#define IDS_RULES_ONE_RULE_ONLY 3310
#define IDS_RULES_EMPTY_DELETES 3311
#define IDS_RULES_REMOVE_QUESTION 3312
#define IDS_RULES_NEED_CRITERIA 3313
#define IDS_RULES_NEED_ACTION 3314
#define IDS_RULES_MISSING_VALUES 3315
#define IDS_RULES_MAIL_CAPTION 3316          // "Velor Mail"
#define IDS_RULES_DUPLICATE_QUESTION 3317

// Check-box state images of the rule editor's lists: clear, ticked, (unused), greyed
#define IDB_RULE_STATES 201

// Rules window
#define IDD_RULES 4101
#define IDC_RULES_LIST 128
#define IDC_RULES_NEW 130
#define IDC_RULES_REMOVE 131
#define IDC_RULES_MODIFY 132
#define IDC_RULES_MOVE_UP 133
#define IDC_RULES_MOVE_DOWN 134
#define IDC_RULES_EDIT_SCRIPT 135
#define IDC_RULES_COPY 138
#define IDC_RULES_DESCRIPTION 201

// Rule editor
#define IDD_RULE_EDITOR 4102
#define IDC_RULE_EDITOR_CRITERIA 129
#define IDC_RULE_EDITOR_ACTIONS 130
#define IDC_RULE_EDITOR_NAME 132
#define IDC_RULE_EDITOR_DESCRIPTION 201

// Script editor
#define IDD_SCRIPT_EDITOR 4104
#define IDC_SCRIPT_EDITOR_TEXT 222
#define IDC_SCRIPT_EDITOR_GRIP 223

// Value dialogs
#define IDD_VALUE_MESSAGE 4105
#define IDD_VALUE_MOVE 4106
#define IDD_VALUE_PEOPLE_LIST 4107
#define IDD_VALUE_WORDS 4108
#define IDD_VALUE_MATCH 4109
#define IDD_VALUE_ANDOR 4110
#define IDD_VALUE_SIZE 4111
#define IDD_VALUE_PEOPLE 4112
#define IDC_VALUE_EDIT 231
#define IDC_VALUE_ADD 128
#define IDC_VALUE_BOOK 129
#define IDC_VALUE_LIST 150
#define IDC_VALUE_REMOVE 131
#define IDC_VALUE_OPTIONS 132
#define IDC_VALUE_ALL 128
#define IDC_VALUE_ANY 129
#define IDC_VALUE_MATCH_TYPE 228
#define IDC_VALUE_MATCH_HELP 230
#define IDC_VALUE_SIZE_NUMBER 233
#define IDC_VALUE_SIZE_DIRECTION 234
#define IDC_VALUE_SIZE_UNIT 235
#define IDC_VALUE_FOLDERS 240
#define IDC_VALUE_RESET_FOLDERS 242
