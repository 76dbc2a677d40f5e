// qellib's connection and message core lives in the files beside this one.
