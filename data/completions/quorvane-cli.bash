# bash completion for quorvane-cli
_quorvane_cli() {
  local cur prev
  cur=${COMP_WORDS[COMP_CWORD]}
  prev=${COMP_WORDS[COMP_CWORD - 1]}
  case $prev in
    --folder)
      COMPREPLY=($(compgen -d -- "$cur"))
      return ;;
    -a | --batch-file | --download-archive)
      COMPREPLY=($(compgen -f -- "$cur"))
      return ;;
    --quality)
      COMPREPLY=($(compgen -W 'compatible best first' -- "$cur"))
      return ;;
    --cookies-from-browser)
      COMPREPLY=($(compgen -W 'firefox' -- "$cur"))
      return ;;
    --live-quality)
      COMPREPLY=($(compgen -W 'origin uhd hd sd ld md ao' -- "$cur"))
      return ;;
    --connections | --output | --history | --live-duration | --live-segment | --wait-for-video | -I | \
      --playlist-items | --dateafter | --datebefore | --unsubscribe)
      return ;;
  esac
  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W '--folder --batch-file -a --output --title-only --no-download --music
      --quality --connections --download-archive --json --verbose -v --quiet --history --clear-history
      --no-history --live-quality --live-duration --live-segment --wait-for-video --playlist-items -I
      --dateafter --datebefore --break-on-existing --flat-playlist --cookies --cookies-from-browser
      --subscribe --unsubscribe
      --subscriptions --check-subscriptions --version --help -h
      --' -- "$cur"))
  fi
}
complete -o filenames -o bashdefault -F _quorvane_cli quorvane-cli
