# fish completion for kelvora-cli: commands, their options, and the values of
# options that take one of a few.

set -l commands scan fix undo journals manifest version help
complete -c kelvora-cli -f
complete -c kelvora-cli -n "not __fish_seen_subcommand_from $commands" -s h -l help -d 'Show the help'
complete -c kelvora-cli -n "not __fish_seen_subcommand_from $commands" -s V -l version -d 'Show the version'
complete -c kelvora-cli -n "not __fish_seen_subcommand_from $commands" -a scan -d 'Count the pairs and the differences'
complete -c kelvora-cli -n "not __fish_seen_subcommand_from $commands" -a fix -d "Repair the copies' times"
complete -c kelvora-cli -n "not __fish_seen_subcommand_from $commands" -a undo -d 'Take a fix back'
complete -c kelvora-cli -n "not __fish_seen_subcommand_from $commands" -a journals -d 'List or prune the journals'
complete -c kelvora-cli -n "not __fish_seen_subcommand_from $commands" -a manifest -d 'Write an mtree manifest'
complete -c kelvora-cli -n "not __fish_seen_subcommand_from $commands" -a version -d 'Show the version'
complete -c kelvora-cli -n "not __fish_seen_subcommand_from $commands" -a help -d 'Show the help of a command'

complete -c kelvora-cli -n "__fish_seen_subcommand_from help" -a "$commands"
complete -c kelvora-cli -n "__fish_seen_subcommand_from $commands" -s h -l help -d 'Show the help of the command'

# scan and fix: the folders, or a manifest and the copies
set -l walk "__fish_seen_subcommand_from scan fix"
complete -c kelvora-cli -n $walk -a '(__fish_complete_directories)'
complete -c kelvora-cli -n $walk -l against -r -F -d 'A manifest plays the originals'
complete -c kelvora-cli -n $walk -l verify -d 'Compare contents before a change'
complete -c kelvora-cli -n $walk -l json -d 'JSON Lines on stdout'
complete -c kelvora-cli -n $walk -s j -l jobs -x -d 'Walk on N threads'
complete -c kelvora-cli -n $walk -l progress -x -a 'auto always never' -d 'Progress line on stderr'
complete -c kelvora-cli -n $walk -s q -l quiet -d 'Only errors and the exit status'
complete -c kelvora-cli -n "__fish_seen_subcommand_from scan" -l top -x -d 'Differences shown'
complete -c kelvora-cli -n "__fish_seen_subcommand_from scan" -l list -x -a 'missing orphans other-size equal differing matching' -d 'Print the paths of these pairs'
complete -c kelvora-cli -n "__fish_seen_subcommand_from scan" -l shift -x -a '1h +1h -1h 30m' -d 'The rule of fix, for --list matching'
complete -c kelvora-cli -n "__fish_seen_subcommand_from scan" -l tolerance -x -a '2s 0s 1m' -d 'Largest distance from a shift'
set -l filtered "__fish_seen_subcommand_from scan fix manifest"
complete -c kelvora-cli -n $filtered -l exclude -x -d 'Leave out what PATTERN matches'
complete -c kelvora-cli -n $filtered -l include -x -d 'Keep what PATTERN matches'

set -l fix "__fish_seen_subcommand_from fix"
complete -c kelvora-cli -n $fix -l shift -x -a '1h +1h -1h 30m any' -d 'Allowed drift'
complete -c kelvora-cli -n $fix -l tolerance -x -a '2s 0s 1m' -d 'Largest distance from a shift'
complete -c kelvora-cli -n $fix -l modify-window -x -a '2s 0s 1m' -d 'Largest distance from a shift'
complete -c kelvora-cli -n $fix -s n -l dry-run -d 'List what would be touched'
complete -c kelvora-cli -n $fix -s v -l verbose -d 'List every copy touched'
complete -c kelvora-cli -n $fix -l utc -d 'Times in UTC'
complete -c kelvora-cli -n $fix -l report -r -F -d 'One line per file event'
complete -c kelvora-cli -n $fix -l force -d 'Let --report replace a file'
complete -c kelvora-cli -n $fix -l hard-links -d 'Also change copies with other names'
complete -c kelvora-cli -n $fix -l folders -d "Also repair the folders' times"
complete -c kelvora-cli -n $fix -l journal -r -F -d 'Where the journal goes'
complete -c kelvora-cli -n $fix -l no-journal -d 'Keep no journal'

set -l undo "__fish_seen_subcommand_from undo"
complete -c kelvora-cli -n $undo -F -d 'Journal'
complete -c kelvora-cli -n $undo -l last -d 'The newest fix run not yet undone'
complete -c kelvora-cli -n $undo -s n -l dry-run -d 'List what would be restored'
complete -c kelvora-cli -n $undo -s v -l verbose -d 'List every copy restored'
complete -c kelvora-cli -n $undo -l utc -d 'Times in UTC'
complete -c kelvora-cli -n $undo -l journal -r -F -d "Where this undo's journal goes"
complete -c kelvora-cli -n $undo -l json -d 'JSON Lines on stdout'
complete -c kelvora-cli -n $undo -l report -r -F -d 'One line per file event'
complete -c kelvora-cli -n $undo -s q -l quiet -d 'Only errors and the exit status'
complete -c kelvora-cli -n $undo -s j -l jobs -x -d 'Restore on N threads'

set -l journals "__fish_seen_subcommand_from journals"
complete -c kelvora-cli -n $journals -l json -d 'JSON Lines on stdout'
complete -c kelvora-cli -n $journals -s q -l quiet -d 'Only errors and the exit status'
complete -c kelvora-cli -n $journals -l utc -d 'Times in UTC'
complete -c kelvora-cli -n $journals -l prune -d 'Remove the journals of runs undone or that changed nothing'
complete -c kelvora-cli -n $journals -l older-than -x -a '90d 30d 12h' -d 'With --prune, also journals older than AGE'
complete -c kelvora-cli -n $journals -l keep -x -d 'With --prune, the N newest are kept'
complete -c kelvora-cli -n $journals -s n -l dry-run -d 'With --prune, list what would be removed'

set -l manifest "__fish_seen_subcommand_from manifest"
complete -c kelvora-cli -n $manifest -a '(__fish_complete_directories)'
complete -c kelvora-cli -n $manifest -s o -l output -r -F -d 'Write it to FILE'
complete -c kelvora-cli -n $manifest -l digest -x -a sha256 -d "Add each file's digest"
complete -c kelvora-cli -n $manifest -l progress -x -a 'auto always never' -d 'Progress line on stderr'
complete -c kelvora-cli -n $manifest -s q -l quiet -d 'Only errors and the exit status'
