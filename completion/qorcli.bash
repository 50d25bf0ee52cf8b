# bash completion for qorcli.
#
# Everything is asked of qorcli itself at completion time, with the --plugin-dir and --plugin
# options already on the line, so plug-ins added later complete without regenerating anything:
#   - namespace and command names come from the listing command (qorcli command list) rendered
#     as JSON;
#   - a command's parameters come from its --help output rendered as JSON;
#   - which parameters are flags, integers or take one value only, and the value sets of
#     enumerated and boolean parameters come from qorcli's own input check: the command is
#     given every parameter twice, once with an integer no set holds and once with a word that
#     is no integer, plus an option with a capital letter, which no command can declare. The
#     check therefore always fails, the command never runs, and the messages name each
#     parameter's kind and allowed values.
#
# Plain bash only (compgen and complete); the bash-completion package is not needed.

# Runs the qorcli being completed with the plug-in options typed so far. Standard input is
# closed so that nothing can wait for a prompt.
_qorcli_run() {
  "$_qorcli_program" "${_qorcli_plugins[@]}" "$@" </dev/null
}

# The option grammar of qorcli: -x, or --name / --name=value with a name of two or more
# characters starting with a letter.
_qorcli_is_option() {
  [[ $1 =~ ^(-[a-zA-Z]|--[a-zA-Z][a-zA-Z0-9-]+(=.+)?)$ ]]
}

# Every command as one line of space-separated path words ("system disk list").
_qorcli_commands() {
  local line command="" namespace=""
  while IFS= read -r line; do
    if [[ $line =~ ^[[:space:]]*\"Command\":\ \"(.*)\",?[[:space:]]*$ ]]; then
      command=${BASH_REMATCH[1]}
    elif [[ $line =~ ^[[:space:]]*\"Namespace\":\ \"(.*)\",?[[:space:]]*$ ]]; then
      namespace=${BASH_REMATCH[1]}
    elif [[ $line =~ ^[[:space:]]*\}  && -n $command ]]; then
      namespace=${namespace//./ }
      printf '%s\n' "${namespace:+$namespace }$command"
      command="" namespace=""
    fi
  done < <(_qorcli_run --formatter json qorcli command list 2>/dev/null)
}

# Fills the caller's array _qorcli_params (long names) and the associative arrays _qorcli_short
# (short -> long) and _qorcli_secret for the command at the given path; nothing for a path that
# is no command.
_qorcli_parameters() {
  local line name="" short="" secret=""
  while IFS= read -r line; do
    if [[ $line =~ ^[[:space:]]*\"Name\":\ \"(.*)\",?[[:space:]]*$ ]]; then
      name=${BASH_REMATCH[1]}
    elif [[ $line =~ ^[[:space:]]*\"Short\ Name\":\ \"(.*)\",?[[:space:]]*$ ]]; then
      short=${BASH_REMATCH[1]}
    elif [[ $line =~ ^[[:space:]]*\"Secret\":\ true ]]; then
      secret=1
    elif [[ $line =~ ^[[:space:]]*\} && -n $name ]]; then
      _qorcli_params+=("$name")
      [[ -n $short ]] && _qorcli_short[$short]=$name
      [[ -n $secret ]] && _qorcli_secret[$name]=1
      name="" short="" secret=""
    fi
  done < <(_qorcli_run --formatter json "$@" --help 2>/dev/null)
}

# Fills the caller's associative arrays _qorcli_flag, _qorcli_single, _qorcli_number and
# _qorcli_values (long -> space-separated allowed values) for the parameters found by
# _qorcli_parameters.
_qorcli_probe() {
  local probe=(--Qorcli-completion-probe) param line
  for param in "${_qorcli_params[@]}"; do
    [[ $param == help ]] || probe+=("--$param" -9223372036854775807 "--$param" -1x)
  done
  local set
  while IFS= read -r line; do
    if [[ $line =~ ^Invalid\ data\ \'.*\'\ for\ parameter\ ([a-z0-9-]+)\.\ \ This\ parameter\ is\ a\ flag ]]; then
      _qorcli_flag[${BASH_REMATCH[1]}]=1
    elif [[ $line =~ ^Invalid\ data\ \'.*\'\ for\ parameter\ ([a-z0-9-]+)\ expected\ one\ of\ \[ ]]; then
      _qorcli_values[${BASH_REMATCH[1]}]="true false"
    elif [[ $line =~ ^Invalid\ data\ constraint\ for\ parameter\ \'([a-z0-9-]+)\'\.\ Expected\ a\ single\ value\ from\ the\ set\ \[(.*)\]( got\ \'.*\')?$ ]]; then
      set=${BASH_REMATCH[2]}
      _qorcli_values[${BASH_REMATCH[1]}]=${set//, / }
    elif [[ $line =~ ^Invalid\ data\ \'.*\'\ for\ parameter\ ([a-z0-9-]+)\ expected\ type\ Integer$ ]]; then
      _qorcli_number[${BASH_REMATCH[1]}]=1
    elif [[ $line =~ ^Found\ multiple\ values\ for\ ([a-z0-9-]+)\ this\ parameter ]]; then
      _qorcli_single[${BASH_REMATCH[1]}]=1
    fi
  done < <(_qorcli_run "$@" "${probe[@]}" 2>&1 >/dev/null)
}

# Adds the candidates that start with the current word to COMPREPLY, minus the part of the
# word that bash treats as already complete (text before a '=' it split the word at).
_qorcli_reply() {
  local candidate
  for candidate in "$@"; do
    [[ $candidate == "$_qorcli_cur"* ]] || continue
    candidate=${candidate:_qorcli_done}
    [[ $candidate =~ ^[A-Za-z0-9._,:/@%+=-]*$ ]] || printf -v candidate '%q' "$candidate"
    COMPREPLY+=("$candidate")
  done
}

_qorcli_reply_files() {
  local IFS=$'\n' value=${_qorcli_cur:_qorcli_done}
  compopt -o filenames 2>/dev/null
  COMPREPLY+=($(compgen "$@" -- "$value"))
}

_qorcli() {
  COMPREPLY=()
  local _qorcli_program=${COMP_WORDS[0]/#\~/$HOME}
  local _qorcli_plugins=()

  # Undo bash's split of "--name=value" at '=' so that the line reads as qorcli will read it.
  local words=() i
  for ((i = 0; i <= COMP_CWORD; i++)); do
    if ((i > 0)) && [[ ${COMP_WORDS[i]} == "=" || ${COMP_WORDS[i - 1]} == "=" ]]; then
      words[${#words[@]} - 1]+=${COMP_WORDS[i]}
    else
      words+=("${COMP_WORDS[i]}")
    fi
  done
  local cword=$((${#words[@]} - 1))
  local _qorcli_cur=${words[cword]}
  local bash_word=${COMP_WORDS[COMP_CWORD]}
  [[ $bash_word == "=" ]] && bash_word=""
  local _qorcli_done=$((${#_qorcli_cur} - ${#bash_word}))

  # Dispatcher options, then the path, then the command's options, each option taking the next
  # word as its value unless that word is an option itself, exactly as qorcli splits a line.
  local word name value pending="" path=()
  i=1
  while ((i < cword)) && _qorcli_is_option "${words[i]}"; do
    word=${words[i]} name=${words[i]%%=*} value=""
    if [[ $word == *=* ]]; then
      value=${word#*=}
    elif ((i + 1 < cword)) && ! _qorcli_is_option "${words[i + 1]}"; then
      value=${words[++i]}
    elif ((i + 1 == cword)); then
      pending=$name
    fi
    value=${value/#\~/$HOME}
    [[ -n $value && ($name == --plugin-dir || $name == --plugin) ]] && _qorcli_plugins+=("$name" "$value")
    ((i++))
  done
  if [[ -n $pending ]] && ! _qorcli_is_option "$_qorcli_cur"; then
    case $pending in
      --formatter) _qorcli_reply table simple json python xml commandhelp ;;
      --plugin-dir) _qorcli_reply_files -d ;;
      --plugin) _qorcli_reply_files -f -X '!*.so'; _qorcli_reply_files -f -X '!*.xml'
        _qorcli_reply_files -d ;;
      --input) _qorcli_reply STDIN; _qorcli_reply_files -f ;;
    esac
    return 0
  fi
  if [[ $_qorcli_cur == --*=* ]] && ((i == cword)); then
    case ${_qorcli_cur%%=*} in
      --formatter) _qorcli_reply --formatter={table,simple,json,python,xml,commandhelp} ;;
    esac
    return 0
  fi
  while ((i < cword)) && ! _qorcli_is_option "${words[i]}"; do
    path+=("${words[i++]}")
  done

  if ((i == cword)) && [[ $_qorcli_cur != -* ]]; then
    # A path word: the names one level below the path so far, unless the path is a command
    # already, whose options are offered then.
    local commands=() line is_command="" names=()
    mapfile -t commands < <(_qorcli_commands)
    for line in "${commands[@]}"; do
      local full=($line)
      [[ "${full[*]:0:${#path[@]}}" == "${path[*]}" ]] || continue
      if ((${#full[@]} == ${#path[@]})); then
        is_command=1
      elif ((${#full[@]} > ${#path[@]})); then
        names+=("${full[${#path[@]}]}")
      fi
    done
    if [[ -z $is_command ]]; then
      _qorcli_reply $(printf '%s\n' "${names[@]}" | sort -u)
      return 0
    fi
  elif ((${#path[@]} == 0)); then
    _qorcli_reply --plugin-dir --plugin --formatter --format-param --screen-width --input \
      --help -h
    return 0
  fi

  # Every command has at least the help parameter, so an empty list means the path is no
  # command.
  local _qorcli_params=()
  local -A _qorcli_short=() _qorcli_secret=() _qorcli_flag=() _qorcli_single=() _qorcli_number=()
  local -A _qorcli_values=()
  _qorcli_parameters "${path[@]}"
  ((${#_qorcli_params[@]} > 0)) || return 0
  # The kinds of the parameters matter only once options follow the path.
  if ((i < cword)) || [[ $_qorcli_cur == --*=* ]]; then
    _qorcli_probe "${path[@]}"
  fi

  # The command's own options so far: which were given, and whether the last one waits for its
  # value.
  local -A used=()
  pending=""
  while ((i < cword)); do
    word=${words[i]}
    if _qorcli_is_option "$word"; then
      name=${word%%=*} name=${name#-} name=${name#-}
      [[ -n ${_qorcli_short[$name]-} ]] && name=${_qorcli_short[$name]-}
      used[$name]=1
      pending=""
      if [[ $word != *=* ]] && ((i + 1 < cword)) && ! _qorcli_is_option "${words[i + 1]}"; then
        ((i++))
      elif [[ $word != *=* && -z ${_qorcli_flag[$name]-} ]]; then
        pending=$name
      fi
    fi
    ((i++))
  done

  if [[ $_qorcli_cur == --*=* ]]; then
    pending=${_qorcli_cur%%=*} pending=${pending#--}
    local values=(${_qorcli_values[$pending]-})
    if ((${#values[@]} > 0)); then
      _qorcli_reply "${values[@]/#/--$pending=}"
    elif ((_qorcli_done > ${#pending} + 2)) &&
      [[ -z ${_qorcli_secret[$pending]-} && -z ${_qorcli_number[$pending]-} ]]; then
      # bash split the word at '=', so file names can replace the part after it.
      _qorcli_reply_files -f
    fi
    return 0
  fi
  if [[ -n $pending && $pending != help && $_qorcli_cur != -* ]]; then
    if [[ -n ${_qorcli_values[$pending]-} ]]; then
      _qorcli_reply ${_qorcli_values[$pending]-}
    elif [[ -z ${_qorcli_secret[$pending]-} && -z ${_qorcli_number[$pending]-} ]]; then
      _qorcli_reply_files -f
    fi
    return 0
  fi
  # Options already given are offered again only when they take several values. Short names
  # only for a lone "-", so that a plain Tab shows each option once.
  local options=() short
  for name in "${_qorcli_params[@]}"; do
    _qorcli_repeatable "$name" && options+=("--$name")
  done
  if [[ $_qorcli_cur == - ]]; then
    for short in "${!_qorcli_short[@]}"; do
      _qorcli_repeatable "${_qorcli_short[$short]-}" && options+=("-$short")
    done
  fi
  _qorcli_reply "${options[@]}"
  return 0
}

_qorcli_repeatable() {
  [[ -z ${used[$1]-} ]] ||
    [[ -z ${_qorcli_single[$1]-} && -z ${_qorcli_flag[$1]-} && $1 != help ]]
}

complete -F _qorcli qorcli
