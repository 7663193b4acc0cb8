#pragma once
// The copier, the verifier and the last look before the Trash hold a folder
// or two open per level of an item, so a tree nested a few hundred levels
// deep needs more descriptors than the usual soft limit of 1,024. Called
// once at process start, before any thread.

// Raises the soft open-file limit to the hard one.
void raiseOpenFileLimit();
