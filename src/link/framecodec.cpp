// Frame codec: to be written.
