// Trusting a test server's certificate authority for the run, so that a page served over
// HTTPS by a server with a certificate of its own can be tried.
#pragma once

#include <string>

// Adds the DER certificate in the file to the user's trusted root authorities (in a Wine
// prefix, that prefix's store). False when the file cannot be read or is no certificate.
bool trustRootCertificate(const std::string& path);
