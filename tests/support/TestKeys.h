// The RSA keys of the tests' certificates, made once per build (support/main/MakeTestKeys.cpp) instead of
// once per certificate: every test case is a process of its own, and making the keys of its development
// authority, its local server and its clients would take most of its time.
#pragma once

#include "vxnDevCertificates.h"

#include <memory>

namespace vxn::test {

// The keys of this test program: each handed out once, in the order of the build's key file, then new
// ones made as needed. Pass it to every development authority a test makes (test::SharedPki does).
std::shared_ptr<dev::TvxnDevKeySource> SharedKeys();

} // namespace vxn::test
