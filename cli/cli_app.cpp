// commands
