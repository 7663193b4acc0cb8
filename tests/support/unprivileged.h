#pragma once
// Runs a piece of a test in a forked child that has given up the capabilities
// that let root ignore file modes (DAC override and read-search, owner), so
// that chmod 000 and chmod 555 take effect even when the suite runs as root.
// The child's answer comes back as a string; a crash in the child comes back
// as "child failed".

#include <functional>
#include <string>

std::string runWithoutFileCapabilities(const std::function<std::string()>& work);

// The same without giving up anything: for work that changes process-wide
// limits (such as the open-file limit) that must not leak into other tests.
std::string runInChild(const std::function<std::string()>& work);

// Runs `work` in a child with a private mount namespace, so it may mount a
// small tmpfs or a read-only bind mount that no one else sees. Needs root;
// elsewhere the answer is "skip".
std::string runWithPrivateMounts(const std::function<std::string()>& work);
