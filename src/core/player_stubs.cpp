// Empty stand-ins for main-window handlers that other subsystems write, so that
// the program links while they are being built. Each owner deletes the stand-in
// when the real handler lands in its own folder.
#include "core/player.h"

// ---- replaced by the playlist engineer
void Player::ListView1_ColumnClick(ColumnHeader&) {} // playlist
void Player::ListView1_MouseUp(int, int, float, float) {} // playlist
void Player::Command_Add_Click() {} // playlist
void Player::Command_Supp_Click() {} // playlist
void Player::Command_Detect_Click() {} // playlist
void Player::Command_Edit_Click() {} // playlist
void Player::Command_ViewList_Click() {} // playlist
void Player::Command_ViewDetail_Click() {} // playlist
void Player::Command_Print_Click() {} // playlist
void Player::Command_Up_Click() {} // playlist
void Player::Command_Dwn_Click() {} // playlist
void Player::Command_Random_Click() {} // playlist
void Player::Command_Trie_Click() {} // playlist
void Player::Command_Ok_Click() {} // playlist
void Player::Command_Cancel_Click() {} // playlist
void Player::Command_Appliquer_Click() {} // playlist
void Player::Check_Select_Click() {} // playlist
void Player::Label_SelectAll_Click() {} // playlist
void Player::Check_GridLines_Click() {} // playlist
void Player::mnuView_Click(int) {} // playlist
void Player::mnuGride_Click(int) {} // playlist
void Player::mnuEdit_Click(int) {} // playlist
void Player::mnuDetect_Click(int) {} // playlist
void Player::mnuDeleteToPlayList_Click(int) {} // playlist
void Player::mnuAddtoPlayList_Click(int) {} // playlist

// ---- replaced by the editor engineer
void Player::Command_Record_Click() {} // editor

// ---- replaced by the settings engineer
void Player::Command_Config_Click() {} // settings
