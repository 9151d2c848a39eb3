#pragma once

class QAbstractItemView;
class QPushButton;

/// Draws the keyboard focus around a button whose style shows none: a flat button, or a default
/// button, which looks focused already. A button reached with Tab shows that Space would press it.
void ShowFocusFrame(QPushButton* button);

/// Tells a screen reader when a row's check box changes, by key, by mouse or by the program: the
/// row's item announces its new checked state.
void AnnounceCheckedRows(QAbstractItemView* view);
