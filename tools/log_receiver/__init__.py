"""The operator's receiver for the plug-in's install-log uploads: it stores each upload
with the fields read from it, and serves a dashboard of what the installs did."""
