#pragma once
// Enabling and showing controls by version tag: the open port switches on the
// port group (tag 9), each identified firmware version its own groups.
class MainForm;

// Disables everything tagged above 8 and hides the 1.7.6 group.
void CloseAllTags(MainForm& f);
// The visibility every version-gated control has before any sensor has
// answered; closing the port goes back to it, so an older sensor met next
// finds the controls it can use.
void restore_gated_visibility(MainForm& f);
// Inverts the enabled state of the port-tagged controls (9..129).
void SwitchTags(MainForm& f);

void swtag130(MainForm& f);
void swtag131(MainForm& f);
void swtag134(MainForm& f);
void swtag163(MainForm& f);
void swtag170(MainForm& f);
void swtag171(MainForm& f);
void swtag172(MainForm& f);
void swtag176(MainForm& f);

// The generator's "for firmware 1.7.6 and above" box shows or hides its options.
void ch_ver_Click(MainForm& f);
// Any switch of tabs re-applies the slider's visibility from `ch_ver`.
void SSTab1_Click(MainForm& f);
