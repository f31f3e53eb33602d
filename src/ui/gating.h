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

// The version groups as they are before any sensor has identified itself:
// every control tagged for a firmware version disabled, the hidden groups
// hidden.  Run before the groups of a newly identified sensor are applied,
// so a sensor never finds controls enabled for a newer one met before it.
void reset_version_groups(MainForm& f);
// The groups a sensor with firmware version code `v` can use, in order.
void gate_by_version(MainForm& f, int v);

// The generator's "for firmware 1.7.6 and above" box shows or hides its options.
void ch_ver_Click(MainForm& f);
// A switch of tabs (`SSTab1`) re-applies the slider's visibility from `ch_ver`.
void tab_switched(MainForm& f);
