// ORVDLL's classes live in the files beside this one.
