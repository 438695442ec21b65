"""Fake housing-registry portal: data set, HTTP wire handling, faults and the server."""
